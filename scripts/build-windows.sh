#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 into build-windows/ (or
# $OMBREL_WINDOWS_BUILD_DIR): ombrel.exe and ombrel-demo.exe against the Qt
# that scripts/qt-windows.sh builds once per machine, ombrel-cli.exe, and the
# tests. OMBREL_WINDOWS_APP=OFF leaves the window (and Qt) out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBREL_WINDOWS_BUILD_DIR:-$root/build-windows}
jobs=${OMBREL_JOBS:-$(nproc)}

"$root/scripts/install-missing.sh" \
  cmake make librsvg2-bin icoutils \
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 \
  googletest nlohmann-json3-dev

app=${OMBREL_WINDOWS_APP:-ON}
qt_args=()
if [[ $app == ON ]]; then
  qt=$("$root/scripts/qt-windows.sh" | tail -n1)
  qt_args=(-DOMBREL_QT_PREFIX="$qt")
fi

cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="${OMBREL_BUILD_TYPE:-Release}" \
  -DOMBREL_BUILD_APP="$app" "${qt_args[@]}" >/dev/null
cmake --build "$build" -j"$jobs"
