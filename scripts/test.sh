#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite inside a private network
# namespace, in two configurations: build/ (plain) and build-asan/
# (AddressSanitizer + UndefinedBehaviorSanitizer).
#   scripts/test.sh            both configurations
#   scripts/test.sh --plain    build/ only
#   scripts/test.sh --asan     build-asan/ only
#   scripts/test.sh --tsan     build-tsan/ (ThreadSanitizer) only
# Extra arguments after "--" go to ctest (for example -R Vornet).
# Exit status: that of the first failing ctest, else 0.
set -uo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

configs=(plain asan)
ctest_args=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    --plain) configs=(plain) ;;
    --asan) configs=(asan) ;;
    --tsan) configs=(tsan) ;;
    --) shift; ctest_args=("$@"); break ;;
    *) echo "test.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

bash scripts/setup.sh || exit 1
jobs="$(nproc)"

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
for cfg in "${configs[@]}"; do
  dir="$(build_config "$cfg")" || { echo "test.sh: build of $cfg failed" >&2; exit 1; }
  echo "== ctest in $dir (private network namespace)"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
  export LSAN_OPTIONS="suppressions=$top/tests/support/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export TSAN_OPTIONS="halt_on_error=0:second_deadlock_stack=1:suppressions=$top/tests/support/tsan.supp"
  export QT_QPA_PLATFORM=offscreen
  bash scripts/netns.sh ctest --test-dir "$dir" --output-on-failure -j "$jobs" \
       --timeout 600 "${ctest_args[@]}"
  rc=$?
  echo "== $dir: ctest exit $rc"
  [ "$status" -eq 0 ] && status=$rc
done
exit "$status"
