#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite inside a private network
# namespace, in two configurations: build/ (plain) and build-asan/
# (AddressSanitizer + UndefinedBehaviorSanitizer); then every fuzz target
# runs a few seconds over its corpus (build-fuzz/, scripts/fuzz.sh), so a
# crash found once can never come back.
#   scripts/test.sh            both configurations and the short fuzz runs
#   scripts/test.sh --plain    build/ only
#   scripts/test.sh --asan     build-asan/ only
#   scripts/test.sh --tsan     build-tsan/ (ThreadSanitizer) only
#   scripts/test.sh --fuzz     the short fuzz runs only
# Extra arguments after "--" go to ctest (for example -R Vornet).
# Exit status: that of the first failing ctest, else 0.
set -uo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

configs=(plain asan)
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

bash scripts/setup.sh || exit 1
# CAMVIEWER_JOBS bounds build and test parallelism on a shared machine.
jobs="${CAMVIEWER_JOBS:-$(nproc)}"

build_config() {
  local cfg="$1" dir sanitize
  case "$cfg" in
    plain) dir=build; sanitize="" ;;
    asan) dir=build-asan; sanitize="address,undefined" ;;
    tsan) dir=build-tsan; sanitize="thread" ;;
  esac
  echo "== configure and build $dir" >&2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCAMVIEWER_SANITIZE="$sanitize" >/dev/null || return 1
  cmake --build "$dir" -j "$jobs" >&2 || return 1
  echo "$dir"
}

status=0
for cfg in ${configs[@]+"${configs[@]}"}; do
  dir="$(build_config "$cfg")" || { echo "test.sh: build of $cfg failed" >&2; exit 1; }
  echo "== ctest in $dir (private network namespace)"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
  export LSAN_OPTIONS="suppressions=$top/tests/support/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # Libraries without TSan (Qt, FFmpeg): see tests/support/tsan.supp.
  export TSAN_OPTIONS="halt_on_error=0:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$top/tests/support/tsan.supp"
  export QT_QPA_PLATFORM=offscreen
  bash scripts/netns.sh ctest --test-dir "$dir" --output-on-failure -j "$jobs" \
       --timeout 600 "${ctest_args[@]}"
  rc=$?
  echo "== $dir: ctest exit $rc"
  [ "$status" -eq 0 ] && status=$rc
done
if [ "$fuzz" -eq 1 ]; then
  echo "== short fuzz runs (build-fuzz)"
  bash scripts/fuzz.sh -j 4 "${CAMVIEWER_FUZZ_SECONDS:-4}"
  rc=$?
  echo "== build-fuzz: fuzz exit $rc"
  [ "$status" -eq 0 ] && status=$rc
fi
exit "$status"
