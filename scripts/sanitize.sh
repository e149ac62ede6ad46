#!/usr/bin/env bash
# Builds the layers below the window with AddressSanitizer (and undefined-
# behaviour checks) and with ThreadSanitizer, and runs their tests: any
# report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
for sanitizer in address thread; do
  build="$root/build-$sanitizer"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBREL_BUILD_APP=OFF \
        -DOMBREL_SANITIZE="$sanitizer" >/dev/null
  cmake --build "$build" --parallel "$(nproc)"
  ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
done
