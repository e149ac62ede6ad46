#!/usr/bin/env bash
# Makes the Debian package: installs what is missing, builds the programs in
# Release with Debian's hardening flags in ./build-package (or
# $OMBREL_PACKAGE_BUILD_DIR), and leaves build/ombrel_<version>_<arch>.deb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBREL_PACKAGE_BUILD_DIR:-$root/build-package}
out=${OMBREL_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"

# The flags dpkg-buildpackage would pass, with every hardening feature on
# (bind-now included). CMake has no CPPFLAGS: they go with the compiler's.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S "$root" -B "$build" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DOMBREL_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

rm -f "$build"/ombrel_*.deb
(cd "$build" && cpack -G DEB)
mkdir -p "$out"
rm -f "$out"/ombrel_*.deb
cp "$build"/ombrel_*.deb "$out"/
ls "$out"/ombrel_*.deb
