#!/usr/bin/env bash
# Builds the Qt the Windows window links: Debian's own source package of the
# host's Qt (qtbase), cross-built with MinGW-w64 as a static Qt of Core, Gui,
# Widgets and Test with the windows, offscreen and minimal platform plugins.
# The host's moc, uic and rcc of the same version serve the build.
#
# The result goes to a cache outside the checkout, keyed by the Qt version and
# everything that shapes the build (configure options, toolchain, compiler),
# so a machine builds it once:
#   ${OMBREL_QT_CACHE:-${XDG_CACHE_HOME:-~/.cache}/ombrel}/qt-<version>-<key>/
# A prefix counts only when it carries the stamp written after a complete
# install and the files the project links; anything else is removed and
# built again. Prints the prefix as its last line.
#
#   bash scripts/qt-windows.sh            # build if needed, print the prefix
#   bash scripts/qt-windows.sh --check    # exit 0 when a whole prefix is cached
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${OMBREL_JOBS:-$(nproc)}
cache=${OMBREL_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ombrel}

"$root/scripts/install-missing.sh" \
  cmake ninja-build dpkg-dev xz-utils \
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 \
  qt6-base-dev-tools

# The source must be the host tools' own version: moc and uic of another
# version write code the libraries do not take.
qt_deb_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
qt_version=${qt_deb_version%%+*}

toolchain='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)'

# Only what the window needs. tabletevent: Debian's source drops the wintab.h
# the Windows plugin includes for tablets. dynamicgl: with OpenGL off, the
# Windows plugin does not compile with it. direct2d stays on: the DirectWrite
# font database the Windows plugin always needs is built only with it.
options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF
  -DFEATURE_direct2d=ON -DFEATURE_testlib=ON -DFEATURE_widgets=ON
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
)
compiler=$(x86_64-w64-mingw32-g++-posix --version | head -n1)
key=$(printf '%s\n' "$qt_deb_version" "$compiler" "$toolchain" "${options[@]}" |
      sha256sum | cut -c1-12)
prefix=$cache/qt-$qt_version-mingw-static-$key
stamp=$prefix/.ombrel-complete

whole() {
  [[ -f $stamp && $(cat "$stamp") == "$key" ]] || return 1
  local f
  for f in lib/cmake/Qt6/Qt6Config.cmake lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake \
           lib/cmake/Qt6Test/Qt6TestConfig.cmake lib/libQt6Core.a lib/libQt6Gui.a \
           lib/libQt6Widgets.a lib/libQt6Test.a lib/libQt6EntryPoint.a \
           plugins/platforms/libqwindows.a plugins/platforms/libqoffscreen.a \
           LICENSES/LGPL-3.0-only.txt LICENSES/GPL-3.0-only.txt; do
    [[ -s $prefix/$f ]] || return 1
  done
}

if [[ ${1:-} == --check ]]; then
  whole && echo "$prefix" && exit 0
  exit 1
fi

mkdir -p "$cache"
# One build at a time per cache; a second run waits and then takes its result.
exec 9>"$cache/qt-windows.lock"
flock 9

if whole; then
  echo "$prefix"
  exit 0
fi
if [[ -e $prefix ]]; then
  echo "Qt for Windows in $prefix is incomplete: building it again" >&2
  rm -rf "$prefix"
fi

# Debian's source package, fetched without touching the system's package
# sources: a sources list and package lists of our own.
src=$cache/qt-src-$qt_deb_version
if [[ ! -f $src/.unpacked ]]; then
  rm -rf "$src"
  mkdir -p "$src/lists/partial"
  suites=$(awk '/^Suites:/{ $1=""; print; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  uris=$(awk '/^URIs:/{ print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  # One line per suite, as the one-line format takes one suite per entry.
  {
    for s in ${suites:-bookworm}; do echo "deb-src ${uris:-http://deb.debian.org/debian} $s main"; done
  } > "$src/sources.list"
  apt_opts=(-o Dir::Etc::SourceParts=/dev/null -o Dir::Etc::sourcelist="$src/sources.list"
            -o Dir::State::Lists="$src/lists" -o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" update >&2
  (cd "$src" && apt-get "${apt_opts[@]}" source --download-only "qt6-base=$qt_deb_version" >&2)
  (cd "$src" && dpkg-source -x ./*.dsc qtbase >&2)
  touch "$src/.unpacked"
fi

# The build tree stays until the install is whole, so an interrupted build
# goes on where it stopped.
work=$cache/qt-build-$key
mkdir -p "$work"
printf '%s\n' "$toolchain" > "$work/toolchain.cmake"
echo "Building Qt $qt_version for Windows (MinGW-w64, static) into $prefix" >&2
started=$SECONDS
cmake -S "$src/qtbase" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >&2
cmake --build "$work/build" --parallel "$jobs" >&2
cmake --install "$work/build" >&2
# What the licence asks to go with the programs.
mkdir -p "$prefix/LICENSES"
cp "$src/qtbase/LICENSES/LGPL-3.0-only.txt" "$src/qtbase/LICENSES/GPL-3.0-only.txt" \
   "$src/qtbase/LICENSES/GPL-2.0-only.txt" "$prefix/LICENSES/"
echo "$qt_deb_version" > "$prefix/DEBIAN_SOURCE_VERSION"
# Written last: only a prefix with this stamp is ever used.
echo "$key" > "$stamp"
rm -rf "$work"
echo "Qt for Windows built in $((SECONDS - started)) s" >&2
whole || { echo "Qt for Windows in $prefix is not whole after its build" >&2; exit 1; }
echo "$prefix"
