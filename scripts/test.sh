#!/usr/bin/env bash
# Sets up, builds and runs the test suite inside a private network namespace,
# in three configurations: build/ (plain, the whole suite), build-asan/
# (AddressSanitizer + UndefinedBehaviorSanitizer, the whole suite) and
# build-tsan/ (ThreadSanitizer, the suites of threaded code); then every fuzz
# target runs a few seconds over its corpus (build-fuzz/, scripts/fuzz.sh), so
# a crash found once can never come back. Each stage's time is printed as it
# ends, and all of them again at the end.
#   scripts/test.sh            the three configurations and the short fuzz runs
#   scripts/test.sh --plain    build/ only
#   scripts/test.sh --asan     build-asan/ only
#   scripts/test.sh --tsan     build-tsan/ (ThreadSanitizer) only
#   scripts/test.sh --fuzz     the short fuzz runs only
# Extra arguments after "--" go to ctest (for example -R Vornet); they replace
# the ThreadSanitizer stage's label choice.
# CAMVIEWER_JOBS bounds build and test parallelism (default: the core count).
# Exit status: that of the first failing stage, else 0.
set -uo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

configs=(plain asan tsan)
fuzz=1
ctest_args=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    --plain) configs=(plain); fuzz=0 ;;
    --asan) configs=(asan); fuzz=0 ;;
    --tsan) configs=(tsan); fuzz=0 ;;
    --fuzz) configs=() ;;
    --) shift; ctest_args=("$@"); break ;;
    *) echo "test.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

# The threaded code's suites (CTest labels); the others (media, jpeg, assets,
# render, support, world, journey) run plain and under ASan only, except the
# whole program's end on a signal (label signals), which runs here too: a
# signal's handler and the calls it starts are threaded code. Under
# ThreadSanitizer everything runs several times slower: the tests against
# simulated peers in processes of their own (label network) get half the
# parallelism, so the peers keep their pace. A -L given twice selects the
# tests that carry both labels (CTest 3.21 and later, hence the top
# CMakeLists.txt's minimum).
tsan_labels='^(vornet|tessan|camera|pipeline|playview|lists|app|client|cloud|queues|signals)$'

times=()
# Runs a stage (its name, then the command) and notes how long it took.
stage() {
  local name="$1" start rc
  shift
  start=$SECONDS
  "$@"
  rc=$?
  times+=("$(printf '%-28s %5d s%s' "$name" $((SECONDS - start)) "$([ "$rc" -eq 0 ] || echo "  (exit $rc)")")")
  echo "== time: $name $((SECONDS - start)) s (exit $rc)" >&2
  return "$rc"
}

print_times() {
  echo "== stage times (total $((SECONDS - began)) s)"
  local t
  for t in ${times[@]+"${times[@]}"}; do echo "   $t"; done
}

began=$SECONDS
stage setup bash scripts/setup.sh || exit 1
jobs="${CAMVIEWER_JOBS:-$(nproc)}"

dir_of() {
  case "$1" in
    plain) echo build ;;
    asan) echo build-asan ;;
    tsan) echo build-tsan ;;
  esac
}

sanitizer_of() {
  case "$1" in
    plain) echo "" ;;
    asan) echo "address,undefined" ;;
    tsan) echo "thread" ;;
  esac
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$top/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Libraries without TSan (Qt, FFmpeg): see tests/support/tsan.supp.
export TSAN_OPTIONS="halt_on_error=0:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$top/tests/support/tsan.supp"
export QT_QPA_PLATFORM=offscreen

status=0
for cfg in ${configs[@]+"${configs[@]}"}; do
  dir="$(dir_of "$cfg")"
  stage "configure $dir" cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCAMVIEWER_SANITIZE="$(sanitizer_of "$cfg")" >/dev/null ||
    { echo "test.sh: configure of $cfg failed" >&2; print_times; exit 1; }
  stage "build $dir" cmake --build "$dir" -j "$jobs" >&2 ||
    { echo "test.sh: build of $cfg failed" >&2; print_times; exit 1; }
  if [ "$cfg" = tsan ] && [ "${#ctest_args[@]}" -eq 0 ]; then
    passes=("-L $tsan_labels -LE ^network\$ -j $jobs" "-L $tsan_labels -L ^network\$ -j $(( (jobs + 1) / 2 ))")
  else
    passes=("-j $jobs")
  fi
  pass=0
  for p in "${passes[@]}"; do
    pass=$((pass + 1))
    read -r -a args <<<"$p"
    args+=(${ctest_args[@]+"${ctest_args[@]}"})
    name="ctest $dir"
    [ "${#passes[@]}" -gt 1 ] && name="$name ($pass/${#passes[@]})"
    echo "== $name (private network namespace): ${args[*]}"
    stage "$name" bash scripts/netns.sh ctest --test-dir "$dir" --output-on-failure --timeout 600 "${args[@]}"
    rc=$?
    echo "== $name: ctest exit $rc"
    [ "$status" -eq 0 ] && status=$rc
  done
done
if [ "$fuzz" -eq 1 ]; then
  echo "== short fuzz runs (build-fuzz)"
  stage "fuzz build-fuzz" bash scripts/fuzz.sh -j 4 "${CAMVIEWER_FUZZ_SECONDS:-4}"
  rc=$?
  echo "== build-fuzz: fuzz exit $rc"
  [ "$status" -eq 0 ] && status=$rc
fi
print_times
exit "$status"
