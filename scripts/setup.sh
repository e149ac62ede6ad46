#!/usr/bin/env bash
# Installs the Debian packages that building and testing Ombrel needs, only
# those that are missing, through sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  libudev-dev umockdev libumockdev-dev
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation2 fonts-wqy-zenhei
  librsvg2-bin gzip dpkg-dev file desktop-file-utils appstream man-db
  xvfb xauth xdotool x11-utils
)

"$(dirname "$0")/install-missing.sh" "${packages[@]}"
