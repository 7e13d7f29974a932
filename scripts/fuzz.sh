#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ in build-fuzz/ (clang, AddressSanitizer
# + UndefinedBehaviorSanitizer + fuzzer) and runs each inside a private
# network namespace, starting from its committed corpus (fuzz/corpus/NAME/).
#   scripts/fuzz.sh [-j N] [SECONDS] [TARGET ...]
# SECONDS per target (default 60); -j runs N targets at once (default 1).
# New inputs go to build-fuzz/corpus/NAME/ (the committed corpus is only
# read); crashes, leaks, failed checks and slow inputs (over one second) go
# to build-fuzz/findings/ and make the exit status 1. Logs: build-fuzz/logs/.
# One summary line per target: executions per second, coverage (cov, ft).
set -uo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

parallel=1
if [ "${1:-}" = "-j" ]; then parallel="$2"; shift 2; fi
seconds="${1:-60}"
[ "$#" -gt 0 ] && shift
wanted=("$@")

bash scripts/setup.sh >&2 || exit 1
dir=build-fuzz
echo "== configure and build $dir (clang, libFuzzer)" >&2
built=$SECONDS
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAMVIEWER_FUZZ=ON \
    -DCAMVIEWER_SANITIZE="address,undefined,fuzzer-no-link" >/dev/null || exit 1
# CAMVIEWER_JOBS bounds the build's parallelism on a shared machine.
cmake --build "$dir" -j "${CAMVIEWER_JOBS:-$(nproc)}" >&2 || exit 1
echo "== time: configure and build $dir $((SECONDS - built)) s" >&2

targets=()
for exe in "$dir"/fuzz/*_fuzz; do
  [ -x "$exe" ] || continue
  name="$(basename "$exe")"
  if [ "${#wanted[@]}" -gt 0 ] && [[ ! " ${wanted[*]} " == *" $name "* ]]; then continue; fi
  targets+=("$name")
done
if [ "${#targets[@]}" -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets were built (does clang support -fsanitize=fuzzer?)" >&2
  exit 1
fi
mkdir -p "$dir/logs" "$dir/findings"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/support/lsan.supp:print_suppressions=0"

run_one() {
  local name="$1" seed="fuzz/corpus/$1" work="$dir/corpus/$1" log="$dir/logs/$1.log" note=""
  mkdir -p "$work"
  [ -d "$seed" ] || seed=""
  # -timeout: an input that takes over a second is a finding, as a crash is.
  bash scripts/netns.sh "$dir/fuzz/$name" "$work" $seed -max_total_time="$seconds" -timeout=1 \
      -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$dir/findings/$name-" >"$log" 2>&1
  local rc=$?
  # A timeout only counts when the input is slow again on its own: a busy
  # machine can stall any process for a second.
  if [ "$rc" -ne 0 ] && grep -q "ERROR: libFuzzer: timeout" "$log" && ! grep -q -e "ERROR: AddressSanitizer" -e "runtime error" -e "fuzz check failed" \
         -e "ERROR: LeakSanitizer" -e "deadly signal" "$log"; then
    local slow=0 moved=0 unit
    for unit in "$dir/findings/$name"-timeout-*; do
      [ -e "$unit" ] || continue
      if bash scripts/netns.sh "$dir/fuzz/$name" -timeout=1 "$unit" >>"$log" 2>&1; then
        mkdir -p "$dir/findings/not-reproduced"
        mv "$unit" "$dir/findings/not-reproduced/"
        moved=$((moved + 1))
        echo "fuzz.sh: $unit ran in time when replayed alone: not a finding" >>"$log"
      else
        slow=1
      fi
    done
    [ "$slow" -eq 0 ] && [ "$moved" -gt 0 ] && rc=0 && note=" (stopped early by a stall; the input ran in time alone)"
  fi
  local execs cov ft units
  execs="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  cov="$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  ft="$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  units="$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  printf '%-22s %s  exec/s %-8s cov %-6s ft %-6s corpus %s\n' "$name" \
      "$([ "$rc" -eq 0 ] && echo "ok$note" || echo "FAILED (exit $rc, see $log)")" \
      "${execs:-?}" "${cov:-?}" "${ft:-?}" "${units:-?}"
  return "$rc"
}

status=0
running=0
pids=()
for name in "${targets[@]}"; do
  run_one "$name" &
  pids+=($!)
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
    running=$((running - 1))
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit "$status"
