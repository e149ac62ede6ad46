#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Ombrel demo: the window
# with a simulated unit, so that it can be tried without one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBREL_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != offscreen ]]; then
  echo "There is no display here to show the window on, so pictures of it were written to $build/screenshots instead."
  QT_QPA_PLATFORM=offscreen "$build/app/ombrel-screenshots" "$build/screenshots" >/dev/null
  exit 0
fi
exec "$build/app/ombrel-demo"
