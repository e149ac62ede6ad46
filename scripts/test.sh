#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole program
# on Linux, then everything below the window cross-built for Windows and
# run under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBREL_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
status=0
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 300 || status=$?
bash "$root/scripts/test-windows.sh" || status=$?
exit $status
