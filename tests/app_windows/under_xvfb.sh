#!/usr/bin/env bash
# Runs a Windows program under Wine on an X display, as a person's desktop
# runs it: under_xvfb.sh PREFIX WINE STANDINS PROGRAM [ARGS...]
#
# PREFIX is a Wine prefix of its own with Wine's X11 driver (the other
# Windows tests run on the null driver in theirs). Its X server is a private
# Xvfb, started on first use and kept (with the prefix's wineserver) for the
# programs after it; scripts/test-windows.sh ends both. The stand-in HID.dll
# and SetupApi.dll (STANDINS/standin-hid.dll, standin-setupapi.dll) go into
# the prefix's system folder, where the programs load the system's from, and
# are taken before Wine's own.
set -euo pipefail
prefix=$1 wine=$2 standins=$3
shift 3
export WINEPREFIX=$prefix WINEDEBUG=-all
server=${wine%/*}/wineserver
mkdir -p "$prefix"

exec 8>"$prefix.lock"
flock 8
display_file=$prefix.display
display=$(cat "$display_file" 2>/dev/null || true)
if [[ -z $display ]] || ! xdpyinfo -display "$display" >/dev/null 2>&1; then
  # A new X server: the prefix's desktop belonged to the old one.
  "$server" -k 2>/dev/null || true
  read -r display_number < <(
    setsid Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset </dev/null 2>/dev/null &
    echo $! > "$prefix.xvfb-pid"
  )
  display=:$display_number
  echo "$display" > "$display_file"
fi
export DISPLAY=$display
# Started with its output going nowhere, as everything the session starts:
# a process left holding the caller's pipe keeps CTest waiting for its end.
"$server" -p >/dev/null 2>&1 </dev/null || true
if [[ ! -f $prefix/system.reg ]]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
"$wine" wineboot >/dev/null 2>&1 || true
# The desktop process, started here without the stand-ins: on an X display
# it sets up the display devices through the system's SetupApi, and the
# first program to show a window would otherwise start it with its own
# environment. A second start finds the desktop and ends.
"$wine" explorer.exe /desktop >/dev/null 2>&1 </dev/null &
system32=$prefix/drive_c/windows/system32
# Wine takes a real DLL in the system folder before its own for every
# process: the prefix's own processes keep Wine's, and only the programs
# run here with WINEDLLOVERRIDES below take the stand-ins.
if [[ ! -f $prefix.overrides ]]; then
  for library in hid setupapi; do
    "$wine" reg add 'HKCU\Software\Wine\DllOverrides' /v "$library" /d builtin /f >/dev/null 2>&1
  done
  touch "$prefix.overrides"
fi
cp -f "$standins/standin-hid.dll" "$system32/hid.dll"
cp -f "$standins/standin-setupapi.dll" "$system32/setupapi.dll"
# Wine's own, to which the stand-in hands what is not the unit's listing.
if [[ -f $standins/realsetupapi.dll ]]; then
  cp -f "$standins/realsetupapi.dll" "$system32/realsetupapi.dll"
fi
flock -u 8

export WINEDLLOVERRIDES="hid,setupapi=n"
exec "$wine" "$@"
