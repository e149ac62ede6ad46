#!/usr/bin/env bash
# Installs build/ombrel_*.deb (made by scripts/package.sh) on this machine,
# checks what it installed, runs the installed programs, and removes it again,
# checking that its files are gone. Needs root; meant for CI and disposable
# machines.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${OMBREL_BUILD_DIR:-$root/build}
app_id=org.ombrel.Ombrel

fail() {
  echo "package check: $*" >&2
  exit 1
}

# The installed window, run until its creation handler has taken the
# single-copy lock and then two seconds more; then ended with SIGTERM, which
# must be what ends it (a crash would end it with another signal, a refused
# start with status 0 before the lock). A private runtime and config folder
# keep it apart from a copy the user may be running.
run_window() {
  local platform=$1 runtime=$work/runtime-$1
  mkdir -m 700 "$runtime" "$work/config-$1"
  XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$work/config-$1 QT_QPA_PLATFORM=$platform \
    ombrel >"$work/window-$platform.log" 2>&1 &
  local pid=$! status=0
  local ready=no
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    if [[ -e $runtime/User_program_Kolvmark_Tovra.lock ]]; then
      ready=yes
      break
    fi
    sleep 0.1
  done
  if [[ $ready == yes ]]; then
    sleep 2
    if [[ $platform == xcb ]]; then
      # The window is on the screen and carries the project's icon.
      local window
      window=$(timeout 10 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Ombrel$' | head -1) ||
        { kill "$pid"; fail "the window did not appear on the X display"; }
      # Read whole before it is looked at: grep -q would stop reading at the
      # first match, and xprop, cut off while it writes the rest of the
      # picture, would fail the pipeline.
      local icon
      icon=$(xprop -id "$window" _NET_WM_ICON)
      [[ $icon == *'_NET_WM_ICON(CARDINAL) = '* ]] ||
        { kill "$pid"; fail "the window has no icon"; }
    fi
    kill -TERM "$pid" 2>/dev/null || true
  fi
  wait "$pid" || status=$?
  cat "$work/window-$platform.log"
  [[ $ready == yes ]] || fail "ombrel ($platform) ended before its window was up (status $status)"
  [[ $status -eq 143 ]] || fail "ombrel ($platform) ended with status $status instead of by SIGTERM"
  echo "ombrel ran on the $platform platform until it was ended"
}

# Run under xvfb-run by the check below: the window on an X display.
if [[ ${1:-} == --window ]]; then
  work=$2
  run_window "$3"
  exit 0
fi

debs=("$out"/ombrel_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected exactly one $out/ombrel_*.deb (run scripts/package.sh)"
deb=$(realpath "${debs[0]}")
version=$(dpkg-deb -f "$deb" Version)

work=$(mktemp -d)
installed=no
cleanup() {
  # A failed check leaves no package behind either.
  if [[ $installed == yes ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y ombrel >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== install $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb"
installed=yes
[[ $(dpkg-query -W -f='${Status} ${Version}' ombrel) == "install ok installed $version" ]] ||
  fail "ombrel $version is not installed after apt-get install"
dpkg -L ombrel >"$work/files"

echo "== installed files"
expected=(
  /usr/bin/ombrel
  /usr/lib/udev/rules.d/70-ombrel.rules
  /usr/share/applications/$app_id.desktop
  /usr/share/metainfo/$app_id.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/$app_id.svg
  /usr/share/man/man1/ombrel.1.gz
  /usr/bin/ombrel-cli
  /usr/share/man/man1/ombrel-cli.1.gz
  /usr/share/bash-completion/completions/ombrel-cli
  /usr/share/doc/ombrel/changelog.gz
)
for size in 16 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for file in "${expected[@]}"; do
  grep -qx "$file" "$work/files" || fail "$file is not in the package"
  [[ -f $file ]] || fail "$file was not installed"
done
for size in 16 32 48 64 128 256; do
  file -b "/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size} px icon is not a ${size}x${size} PNG"
done
for unwanted in /usr/bin/ombrel-demo /usr/bin/ombrel-screenshots; do
  ! grep -qx "$unwanted" "$work/files" || fail "$unwanted must not be in the package"
done

echo "== validators"
desktop-file-validate "/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml"
# Whoever changes the version names the release in both places.
newest_release=$(grep -o '<release version="[^"]*"' "/usr/share/metainfo/$app_id.metainfo.xml" | head -1 | cut -d'"' -f2)
[[ $newest_release == "$version" ]] || fail "the metainfo's newest release is $newest_release, the package's version $version"
changelog_version=$(zcat /usr/share/doc/ombrel/changelog.gz | head -1 | sed -n 's/^ombrel (\([^)]*\)).*/\1/p')
[[ $changelog_version == "$version" ]] || fail "the changelog's newest entry is $changelog_version, the package's version $version"

echo "== manual pages"
for page in ombrel ombrel-cli; do
  [[ $(man -w "$page") == /usr/share/man/man1/$page.1.gz ]] || fail "man does not find $page(1)"
  lexgrog "/usr/share/man/man1/$page.1.gz"
  warnings=$(zcat "/usr/share/man/man1/$page.1.gz" | groff -ww -z -man 2>&1)
  [[ -z $warnings ]] || fail "$page(1) has roff warnings: $warnings"
done

echo "== ombrel-cli from the path"
[[ $(command -v ombrel-cli) == /usr/bin/ombrel-cli ]] || fail "ombrel-cli is not /usr/bin/ombrel-cli on the path"
ombrel-cli --version | tee "$work/cli-version"
grep -qF "$(cut -d. -f1-3 <<<"$version")" "$work/cli-version" || fail "ombrel-cli --version does not name $version"
ombrel-cli --demo read | tee "$work/demo.ini"
grep -qx '\[wifi\]' "$work/demo.ini" && grep -qx '\[fan\]' "$work/demo.ini" ||
  fail "ombrel-cli --demo read printed no [wifi] and [fan] sections"

echo "== bash completion"
# bash-completion loads it when ombrel-cli is first completed.
registered=$(bash -c 'source /usr/share/bash-completion/completions/ombrel-cli && complete -p ombrel-cli')
[[ $registered == "complete -F _ombrel_cli ombrel-cli" ]] || fail "the installed completion does not complete ombrel-cli"

echo "== the installed window"
run_window offscreen
if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null && command -v xprop >/dev/null; then
  xvfb-run -a bash "$0" --window "$work" xcb
fi

echo "== remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y ombrel
installed=no
status=$(dpkg-query -W -f='${Status}' ombrel 2>/dev/null || true)
[[ $status != "install ok installed" ]] || fail "ombrel is still installed"
while read -r path; do
  [[ -d $path ]] && continue
  [[ ! -e $path ]] || fail "$path is still there after removing the package"
done <"$work/files"
# Nothing of it is left in dpkg's records either.
dpkg --purge ombrel >/dev/null
echo "package check passed: $(basename "$deb")"
