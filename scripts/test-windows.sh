#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests with MinGW-w64 (with the
# window unless OMBREL_WINDOWS_APP=OFF) and runs the tests under Wine: the
# Windows backend and start-up services (tests named windows.*), the plain
# C++ layers and the window. Installs what is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBREL_WINDOWS_BUILD_DIR:-$root/build-windows}
jobs=${OMBREL_JOBS:-$(nproc)}

"$root/scripts/install-missing.sh" wine64 xvfb x11-utils

# A prefix of the build's own; its first start takes seconds, so it is made
# once here rather than inside the first test.
export OMBREL_WINEPREFIX=${OMBREL_WINEPREFIX:-$build/wine-prefix}
export WINEPREFIX=$OMBREL_WINEPREFIX WINEDEBUG=-all
mkdir -p "$build" "$WINEPREFIX"
# One server for the whole run, started first: every test is a Wine process
# of its own, and a server that quits between two of them races the next
# one's start. (One still running from an earlier run serves as well.)
/usr/lib/wine/wineserver -p || true
# Windows without a display: Wine's null graphics driver, so the hidden
# device-change windows (and the desktop that broadcasts reach) exist.
set_null_driver() {
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
}
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  set_null_driver
  # The session's devices (Wine's own HID interfaces among them) were set up
  # before the driver was named: start the session anew with it.
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  /usr/lib/wine/wineserver -p || true
fi
set_null_driver
# The session's services start here, with their output going nowhere: a
# service started by a test would hold CTest's pipe of that test open.
/usr/lib/wine/wine64 wineboot >/dev/null 2>&1 || true

OMBREL_WINDOWS_BUILD_DIR=$build "$root/scripts/build-windows.sh"

status=0
# A test is run again once if it fails: on a loaded machine Wine now and then
# ends a program before its first line (no output at all). A real failure
# fails twice; a test here takes seconds, so two minutes mean a hang.
ctest --test-dir "$build" --output-on-failure --parallel "$jobs" --timeout 120 \
  --repeat until-pass:2 || status=$?
# Ends the prefixes' wineservers (and anything left in them) with the run,
# and the X server of the tests on a display.
/usr/lib/wine/wineserver -k 2>/dev/null || true
x11=$build/wine-prefix-x11
WINEPREFIX=$x11 /usr/lib/wine/wineserver -k 2>/dev/null || true
if [[ -f $x11.xvfb-pid ]]; then
  kill "$(cat "$x11.xvfb-pid")" 2>/dev/null || true
  rm -f "$x11.xvfb-pid" "$x11.display"
fi
exit $status
