#!/usr/bin/env bash
# Makes Ombrel's per-user Windows installer with NSIS, after building the
# programs with scripts/build-windows.sh (same OMBREL_WINDOWS_BUILD_DIR and
# OMBREL_WINDOWS_APP; with the window OFF the installer carries ombrel-cli.exe
# alone):
#   <build>/Ombrel-<version>-setup-x64.exe
# The version is the project's, from CMake (packaging/windows/installer.cmake).
#
#   bash scripts/package-windows.sh           # build, make the installer
#   bash scripts/package-windows.sh --check   # then install, upgrade and
#                                             # uninstall it under Wine
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBREL_WINDOWS_BUILD_DIR:-$root/build-windows}
app=${OMBREL_WINDOWS_APP:-ON}

check=0
case ${1:-} in
  --check) check=1 ;;
  '') ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

packages=(nsis librsvg2-bin icoutils binutils-mingw-w64-x86-64)
((check)) && packages+=(wine64)
"$root/scripts/install-missing.sh" "${packages[@]}"

OMBREL_WINDOWS_BUILD_DIR=$build OMBREL_WINDOWS_APP=$app "$root/scripts/build-windows.sh"

# The build's configure wrote the installer's script with the project's
# version (packaging/windows/installer.cmake).
out=$build/packaging/windows
nsi=$out/ombrel.nsi
version=$(sed -n 's/^ *!define VERSION "\(.*\)"$/\1/p' "$nsi")
if [[ ! $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "package-windows: no major.minor.release.build version in $nsi (got '$version')" >&2
  exit 1
fi

# The programs as they go into the installer: stripped of their symbols.
stage=$out/programs
rm -rf "$stage"
mkdir -p "$stage"
programs=("$build/cli/ombrel-cli.exe")
[[ $app == ON ]] && programs+=("$build/app/ombrel.exe" "$build/app/ombrel-demo.exe")
for p in "${programs[@]}"; do
  [[ -f $p ]] || { echo "package-windows: $p was not built" >&2; exit 1; }
  x86_64-w64-mingw32-strip -o "$stage/$(basename "$p")" "$p"
done

# The icon of the installer, the uninstaller, the shortcuts and the
# uninstall entry: the programs' own, which the build makes for their
# resources; made here the same way from the project's one drawing when the
# build has none.
icon=$build/icons/ombrel.ico
if [[ ! -s $icon ]]; then
  icon=$out/ombrel.ico
  rm -rf "$out/icon"
  mkdir -p "$out/icon"
  for s in 16 24 32 48 64 256; do
    rsvg-convert --width="$s" --height="$s" --output="$out/icon/$s.png" \
      "$root/packaging/icons/org.ombrel.Ombrel.svg"
  done
  # 256 px stays PNG inside the icon, as Windows takes it.
  icotool -c -o "$icon" "$out"/icon/{16,24,32,48,64}.png --raw="$out/icon/256.png"
fi

nsis_defines=(-DPROGRAMS="$stage" -DICON="$icon")
qt_note=
qt_licenses=
if [[ $app == ON ]]; then
  # The Qt the window was linked with, as the build's cache names it.
  qt=$(sed -n 's/^OMBREL_QT_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")
  qt_licenses=$qt/LICENSES
  for f in "$qt_licenses/LGPL-3.0-only.txt" "$qt_licenses/GPL-3.0-only.txt" "$qt/DEBIAN_SOURCE_VERSION"; do
    [[ -s $f ]] || { echo "package-windows: $f is missing from the Qt the window links" >&2; exit 1; }
  done
  qt_debian_version=$(<"$qt/DEBIAN_SOURCE_VERSION")
  qt_version=${qt_debian_version%%[+-]*}
  qt_note=$out/Qt.txt
  # Windows line ends, so every Notepad shows the lines.
  sed -e "s|@VERSION@|$version|g" -e "s|@QT_VERSION@|$qt_version|g" \
      -e "s|@QT_DEBIAN_VERSION@|$qt_debian_version|g" \
      -e "s|@QT_DEBIAN_VERSION_URL@|${qt_debian_version//+/%2B}|g" \
      -e 's/$/\r/' "$root/packaging/windows/Qt.txt.in" > "$qt_note"
  nsis_defines+=(-DWINDOW -DQT_LICENSES="$qt_licenses" -DQT_NOTE="$qt_note")
fi

# make_installer <output> [version]: the project's version unless given.
make_installer() {
  local defines=("${nsis_defines[@]}" -DOUT_FILE="$1")
  [[ -n ${2:-} ]] && defines+=(-DVERSION="$2")
  makensis -V2 -WX "${defines[@]}" "$nsi"
}

installer=$build/Ombrel-$version-setup-x64.exe
make_installer "$installer"
echo "Installer: $installer ($(du -h "$installer" | cut -f1), $(stat -c %s "$installer") bytes)"

((check)) || exit 0

# ---------------------------------------------------------------------------
# The round trip under Wine, in a prefix of its own made fresh
# (<build>/installer-prefix): a silent install into the default folder,
# checked and uninstalled; an older version installed into another folder,
# then upgraded by this one in place, then this one installed over itself;
# with the window, the installer and the uninstaller refusing to touch a
# running demo; a silent uninstall by the entry's own command. Any failure
# ends it with a message and exit status 1.
# Each step is followed by `wineserver -w`, which returns once every process
# of the prefix has ended: so the uninstaller, which hands over to a copy of
# itself and returns at once, is waited for too.

fail() {
  echo "package-windows check FAILED: $*" >&2
  exit 1
}

export WINEPREFIX=$build/installer-prefix WINEDEBUG=-all
# No menu entries in the host's desktop for the shortcuts the installer makes.
export WINEDLLOVERRIDES='winemenubuilder.exe=d'
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap '"$wineserver" -k 2>/dev/null || true' EXIT

# win <program> <args...>: runs a Windows program and waits for the prefix to
# be idle (but while a program is kept running on purpose, $busy); its output
# with Windows line ends undone, its exit status kept.
busy=
win() {
  local status=0
  "$wine" "$@" 2>/dev/null | tr -d '\r' || status=$?
  [[ -n $busy ]] || "$wineserver" -w
  return $status
}

echo "Creating the Wine prefix $WINEPREFIX"
win wineboot --init >/dev/null || true
# No display here: Wine's null graphics driver.
win reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null

unix_path() { win winepath -u "$1"; }
# win_line <command line>: runs a Windows command line as written, from a
# batch file: Wine quotes an argument with a blank, and neither /D= nor _?=
# takes quotes.
win_line() {
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$(unix_path 'C:\ombrel-check.cmd')"
  win cmd /c 'C:\ombrel-check.cmd'
}
local_appdata=$(win cmd /c 'echo %LOCALAPPDATA%')
appdata=$(win cmd /c 'echo %APPDATA%')
[[ $local_appdata == [A-Za-z]:\\* && $appdata == [A-Za-z]:\\* ]] ||
  fail "the prefix gives no user folders (LOCALAPPDATA '$local_appdata', APPDATA '$appdata')"
default_dir="$local_appdata\\Programs\\Ombrel"
start_menu="$appdata\\Microsoft\\Windows\\Start Menu\\Programs"
start_menu_unix=$(unix_path "$start_menu")
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
key="$uninstall_key\\Ombrel"

# reg_value <name>: "<type> <data>" of a value of the uninstall entry.
reg_value() {
  win reg query "$key" /v "$1" |
    awk -v name="$1" '$1 == name && $2 ~ /^REG_/ {
      sub(/^[ \t]*[^ \t]+[ \t]+/, ""); sub(/[ \t]+/, " "); print }'
}
# The entries of the uninstall list named Ombrel, whatever their key.
ombrel_entries() {
  win reg query "$uninstall_key" /s | grep -cE '^ +DisplayName +REG_SZ +Ombrel$' || true
}
# has_text <file> <text>: the text is in the file, as ANSI or as UTF-16.
has_text() {
  { x86_64-w64-mingw32-strings -a "$1"; x86_64-w64-mingw32-strings -a -el "$1"; } |
    grep -iF -- "$2" >/dev/null
}

# What an install holds, relative to its folder.
expected_files=(Uninstall.exe ombrel-cli.exe ombrel.ico)
if [[ $app == ON ]]; then
  expected_files+=(licenses/GPL-3.0-only.txt licenses/LGPL-3.0-only.txt licenses/Qt.txt
                   ombrel-demo.exe ombrel.exe)
fi
expected_list=$(printf '%s\n' "${expected_files[@]}" | LC_ALL=C sort)
shown_version=${version%.*}

# check_installed <folder> <version>: the install in that folder is whole,
# is that version, and is the only one.
check_installed() {
  local dir=$1 want=$2 dir_unix files f
  dir_unix=$(unix_path "$dir")
  [[ -d $dir_unix ]] || fail "no folder $dir after the install"
  files=$(cd "$dir_unix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
  [[ $files == "$expected_list" ]] ||
    fail "$dir holds other files than an install's:"$'\n'"$(diff <(echo "$expected_list") <(echo "$files"))"
  for f in "$stage"/*.exe; do
    cmp -s "$f" "$dir_unix/$(basename "$f")" || fail "$dir\\$(basename "$f") is not the program built"
  done
  cmp -s "$icon" "$dir_unix/ombrel.ico" || fail "$dir\\ombrel.ico is not the icon made"
  if [[ $app == ON ]]; then
    cmp -s "$qt_licenses/LGPL-3.0-only.txt" "$dir_unix/licenses/LGPL-3.0-only.txt" &&
      cmp -s "$qt_licenses/GPL-3.0-only.txt" "$dir_unix/licenses/GPL-3.0-only.txt" ||
      fail "the licence texts in $dir\\licenses are not Qt's"
    cmp -s "$qt_note" "$dir_unix/licenses/Qt.txt" || fail "$dir\\licenses\\Qt.txt is not the note made"
  fi

  local name value
  for name in DisplayName DisplayVersion Publisher DisplayIcon UninstallString \
              QuietUninstallString InstallLocation EstimatedSize NoModify NoRepair; do
    [[ -n $(reg_value "$name") ]] || fail "the uninstall entry $key has no $name"
  done
  [[ $(reg_value DisplayName) == "REG_SZ Ombrel" ]] || fail "DisplayName is '$(reg_value DisplayName)'"
  [[ $(reg_value DisplayVersion) == "REG_SZ $want" ]] ||
    fail "DisplayVersion is '$(reg_value DisplayVersion)', not $want"
  [[ $(reg_value Publisher) == "REG_SZ Kolvmark Tovra" ]] || fail "Publisher is '$(reg_value Publisher)'"
  [[ $(reg_value InstallLocation) == "REG_SZ $dir" ]] ||
    fail "InstallLocation is '$(reg_value InstallLocation)', not $dir"
  [[ $(reg_value DisplayIcon) == "REG_SZ $dir\\ombrel.ico" ]] ||
    fail "DisplayIcon is '$(reg_value DisplayIcon)'"
  [[ $(reg_value UninstallString) == "REG_SZ \"$dir\\Uninstall.exe\"" ]] ||
    fail "UninstallString is '$(reg_value UninstallString)'"
  [[ $(reg_value QuietUninstallString) == "REG_SZ \"$dir\\Uninstall.exe\" /S" ]] ||
    fail "QuietUninstallString is '$(reg_value QuietUninstallString)'"
  [[ $(reg_value NoModify) == "REG_DWORD 0x1" && $(reg_value NoRepair) == "REG_DWORD 0x1" ]] ||
    fail "NoModify/NoRepair are '$(reg_value NoModify)'/'$(reg_value NoRepair)', not 1"
  # In KiB: the programs' size, give or take the file system's rounding.
  value=$(reg_value EstimatedSize)
  local kib=$(( $(cat "$dir_unix"/*.exe | wc -c) / 1024 ))
  [[ $value == "REG_DWORD 0x"* ]] && (( value=16#${value#REG_DWORD 0x}, value >= kib )) ||
    fail "EstimatedSize is '$(reg_value EstimatedSize)', below the programs' $kib KiB"
  [[ $(ombrel_entries) == 1 ]] || fail "$(ombrel_entries) uninstall entries named Ombrel, not one"

  if [[ $app == ON ]]; then
    for f in "Ombrel:ombrel.exe" "Ombrel demo:ombrel-demo.exe"; do
      local link="$start_menu_unix/${f%%:*}.lnk"
      [[ -f $link ]] || fail "no Start-menu shortcut ${f%%:*}.lnk in $start_menu"
      has_text "$link" "$dir\\${f#*:}" || fail "${f%%:*}.lnk does not start $dir\\${f#*:}"
    done
  else
    [[ -z $(find "$start_menu_unix" -maxdepth 1 -name 'Ombrel*.lnk') ]] ||
      fail "Start-menu shortcuts to a window that was not built"
  fi

  local said
  said=$(win "$dir\\ombrel-cli.exe" --version) || fail "the installed ombrel-cli.exe --version failed: $said"
  [[ $said == *"$shown_version"* ]] ||
    fail "the installed ombrel-cli.exe --version says '$said', not $shown_version"
}

# check_removed <folder>: nothing of an install is left.
check_removed() {
  local dir_unix
  dir_unix=$(unix_path "$1")
  [[ ! -e $dir_unix ]] || fail "$1 is still there after the uninstall: $(cd "$dir_unix" && find . -mindepth 1 | tr '\n' ' ')"
  [[ -z $(find "$start_menu_unix" -maxdepth 1 -iname 'Ombrel*.lnk') ]] ||
    fail "Start-menu shortcuts left after the uninstall"
  ! win reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry $key is left after the uninstall"
  [[ $(ombrel_entries) == 0 ]] || fail "an uninstall entry named Ombrel is left"
}

# uninstall: by the entry's own quiet command, as Windows runs it.
uninstall() {
  local command
  command=$(reg_value QuietUninstallString)
  command=${command#REG_SZ }
  [[ $command =~ ^\"(.+)\"\ /S$ ]] || fail "QuietUninstallString '$command' is not a quoted program and /S"
  win "${BASH_REMATCH[1]}" /S || fail "the uninstaller failed ($?)"
}

# A version below this one: its last non-zero number lowered, those after it 9.
older_version() {
  local IFS=. parts i
  read -ra parts <<<"$1"
  for ((i = ${#parts[@]} - 1; i >= 0; i--)); do
    if ((parts[i] > 0)); then
      ((parts[i]--))
      for ((i++; i < ${#parts[@]}; i++)); do parts[i]=9; done
      echo "${parts[*]}"
      return
    fi
  done
  fail "no version below $1 to upgrade from"
}

older=$(older_version "$version")
older_installer=$build/installer-check/Ombrel-$older-setup-x64.exe
mkdir -p "$(dirname "$older_installer")"
make_installer "$older_installer" "$older"

echo "Install $version into the default folder"
win "$installer" /S || fail "the silent install failed ($?)"
check_installed "$default_dir" "$version"
echo "Uninstall"
uninstall
check_removed "$default_dir"

# A folder of the user's choice, with a blank, which the upgrade must find.
chosen_dir="$local_appdata\\Ombrel older"
echo "Install $older into $chosen_dir"
older_installer_win=$(win winepath -w "$older_installer")
win_line "\"$older_installer_win\" /S /D=$chosen_dir" || fail "the silent install of $older failed ($?)"
check_installed "$chosen_dir" "$older"
# A file of the older install that differs, as programs of another version do.
echo "another version" >>"$(unix_path "$chosen_dir\\ombrel-cli.exe")"
echo "Upgrade to $version"
win "$installer" /S || fail "the silent upgrade failed ($?)"
check_installed "$chosen_dir" "$version"
[[ ! -e $(unix_path "$default_dir") ]] || fail "the upgrade installed into $default_dir, not over $chosen_dir"
echo "Install $version over itself"
win "$installer" /S || fail "the silent reinstall failed ($?)"
check_installed "$chosen_dir" "$version"

if [[ $app == ON ]]; then
  # A running program's files cannot be replaced or removed: with the demo
  # running, the installer and the uninstaller change nothing and say so.
  echo "Install $older and uninstall while the installed demo runs"
  "$wine" "$chosen_dir\\ombrel-demo.exe" >/dev/null 2>&1 &
  demo=$!
  busy=1
  # It is up once it holds its named mutex; a stand-alone look for the name.
  probe=$build/installer-check/demo-running.exe
  cat >"$build/installer-check/demo-running.nsi" <<'NSI'
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SilentInstall silent
Section
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "User_program_Kolvmark_Tovra_Demo") p.r0'
  IntPtrCmp $0 0 0 +2 +2
  SetErrorLevel 1
SectionEnd
NSI
  makensis -V2 -WX "-XOutFile \"$probe\"" "$build/installer-check/demo-running.nsi"
  for ((i = 0; ; i++)); do
    "$wine" "$probe" 2>/dev/null && break
    kill -0 "$demo" 2>/dev/null || fail "the installed ombrel-demo.exe ended at once"
    ((i < 120)) || fail "the installed ombrel-demo.exe did not take its mutex in two minutes"
    sleep 1
  done
  status=0
  win_line "\"$older_installer_win\" /S" || status=$?
  [[ $status == 3 ]] || fail "the installer run over the running demo ended with $status, not 3 (refused)"
  check_installed "$chosen_dir" "$version"
  status=0
  # In place (_?=), so it is the uninstaller itself that answers.
  win_line "\"$chosen_dir\\Uninstall.exe\" /S _?=$chosen_dir" || status=$?
  [[ $status == 3 ]] || fail "the uninstaller run under the running demo ended with $status, not 3 (refused)"
  check_installed "$chosen_dir" "$version"
  win taskkill /f /im ombrel-demo.exe >/dev/null || true
  wait "$demo" || true
  busy=
  "$wineserver" -w
fi

echo "Uninstall"
uninstall
check_removed "$chosen_dir"
check_removed "$default_dir"

echo "Installer round trip under Wine: passed ($(basename "$installer"), $(stat -c %s "$installer") bytes)"
