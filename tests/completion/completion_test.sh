#!/usr/bin/env bash
# Runs ombrel-cli's bash completion on command lines split as bash splits
# them, and checks what it offers. The commands, each command's options, the
# settings keys and the words a key takes are compared with what the program's
# help prints, so one added to ombrel-cli and not to the completion fails here.
#
# Usage: completion_test.sh PROGRAM COMPLETION_SCRIPT
set -u
program=$(realpath "$1")
script=$2

# The completion runs `ombrel-cli list` from PATH; the demo keeps its units'
# state in a runtime folder of the test's own.
PATH=$(dirname "$program"):$PATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

# shellcheck source=/dev/null
source "$script"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Sets COMPREPLY as completing LINE (the cursor at its end) does. Bash gives
# the function the words split at blanks and at runs of = and :, a word of
# their own (wifi.security=OPEN is wifi.security, =, OPEN), and an empty
# word when the line ends in a blank.
complete_line() {
  local line=$1 blank_word word
  local -a blank_words
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMP_WORDS=()
  read -ra blank_words <<<"$line"
  [[ $line == *[[:space:]] ]] && blank_words+=("")
  for blank_word in "${blank_words[@]}"; do
    word=$blank_word
    while [[ $word =~ ^([^=:]*)([=:]+)(.*)$ ]]; do
      [[ -n ${BASH_REMATCH[1]} ]] && COMP_WORDS+=("${BASH_REMATCH[1]}")
      COMP_WORDS+=("${BASH_REMATCH[2]}")
      word=${BASH_REMATCH[3]}
    done
    [[ -n $word || -z $blank_word ]] && COMP_WORDS+=("$word")
  done
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _ombrel_cli ombrel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}

sorted() { printf '%s\n' "$@" | sed '/^$/d' | sort -u; }

# expect LINE WORD...: completing LINE offers exactly these words.
expect() {
  local line=$1
  shift
  complete_line "$line"
  local got wanted
  got=$(sorted "${COMPREPLY[@]}")
  wanted=$(sorted "$@")
  [[ $got == "$wanted" ]] ||
    fail "'$line<TAB>' offers [${got//$'\n'/ }], expected [${wanted//$'\n'/ }]"
}

# expect_among LINE WORD...: completing LINE offers these words, maybe more.
expect_among() {
  local line=$1 word
  shift
  complete_line "$line"
  for word in "$@"; do
    [[ " ${COMPREPLY[*]} " == *" $word "* ]] || fail "'$line<TAB>' offers [${COMPREPLY[*]}], without $word"
  done
}

# expect_not LINE WORD...: completing LINE offers none of these words.
expect_not() {
  local line=$1 word
  shift
  complete_line "$line"
  for word in "$@"; do
    [[ " ${COMPREPLY[*]} " != *" $word "* ]] || fail "'$line<TAB>' offers $word: [${COMPREPLY[*]}]"
  done
}

# --- What the program says it takes ---------------------------------------
overview=$("$program" --help) || fail "ombrel-cli --help failed"
mapfile -t commands < <(sed -n '/^Commands:/,/^$/p' <<<"$overview" | awk 'NR > 1 && NF { print $1 }')
# The first column of the options list: --units N, --reset gives both.
mapfile -t all_options < <(sed -n '/^Options:/,/^$/p' <<<"$overview" | grep '^  -' |
  sed 's/^  //; s/  .*//' | grep -o -- '--[a-z0-9-]*' | sort -u)
# The keys: "  [wifi]" then "    role   master | slave", one key a line.
mapfile -t keys < <(sed -n '/every one of its keys:/,/^[^ ]/p' <<<"$overview" |
  awk '/^  \[[a-z]+\]/ { section = substr($1, 2, length($1) - 2) } /^    [a-z]/ { print section "." $1 }')
((${#commands[@]} >= 11)) || fail "found ${#commands[@]} commands in ombrel-cli --help: [${commands[*]}]"
((${#keys[@]} >= 22)) || fail "found ${#keys[@]} keys in ombrel-cli --help: [${keys[*]}]"

# --- Commands, options and keys as the program's help gives them ----------
expect "ombrel-cli " "${commands[@]}"
expect "ombrel-cli --demo help " "${commands[@]}"

declare -A options_of
for command in "${commands[@]}"; do
  options_of[$command]=$("$program" help "$command" | sed -n '/^Options:/,/^$/p' | grep -o '^  --[a-z0-9-]*' | tr -d ' ')
done
# Those no command has of its own go with any command (and before one).
mapfile -t global < <(comm -23 <(printf '%s\n' "${all_options[@]}") <(printf '%s\n' "${options_of[@]}" | sort -u))
((${#global[@]} >= 6)) || fail "found ${#global[@]} options for any command in ombrel-cli --help: [${global[*]}]"
expect "ombrel-cli --" "${global[@]}"
for command in "${commands[@]}"; do
  # shellcheck disable=SC2086
  expect "ombrel-cli $command --" ${options_of[$command]} "${global[@]}"
done

key_words=()
for key in "${keys[@]}"; do
  key_words+=("$key=")
  # A key whose description starts "a | b | c" takes those words.
  description=$(sed -n "/every one of its keys:/,/^[^ ]/{/^    ${key#*.} /p}" <<<"$overview" | sed 's/^    [^ ]* *//')
  mapfile -t words < <(grep -oE '^[A-Za-z0-9_-]+( \| [A-Za-z0-9_-]+)+' <<<"$description" | sed 's/ | /\n/g')
  expect "ombrel-cli set $key=" "${words[@]}"
done
expect "ombrel-cli set " "${key_words[@]}"
expect "ombrel-cli check --set " "${key_words[@]}"

# --- Lines as typed --------------------------------------------------------
expect "ombrel-cli wr" write
expect "ombrel-cli help re" read reset-filter restore-defaults
expect_among "ombrel-cli write --" --no-verify --all
expect_not "ombrel-cli write --" --watch --json
expect "ombrel-cli set wifi.sec" wifi.security=
expect "ombrel-cli set wifi.security=" OPEN WPA_PSK WPA2_PSK WPA_WPA2_PSK
expect "ombrel-cli set wifi.security=WPA_" WPA_PSK WPA_WPA2_PSK
expect "ombrel-cli set fan.humidity_sensor=" on off
# Readline replaces what follows the last =: the words come without the rest.
expect "ombrel-cli diff --set=fan.direction=s" supply
expect "ombrel-cli set wifi.role=slave wifi.slave_address_mode=" dhcp static
# An option's value is not the command, nor its operand.
expect "ombrel-cli --log out.jsonl set wifi.role=" master slave
expect "ombrel-cli --output-dir out read --" --unit --serial --json --redact --all \
  --demo --units --reset --help --version --
# --json goes with any command's --all; a unit is named once, one way.
expect_among "ombrel-cli write --all --" --json
expect_not "ombrel-cli read --serial PD2407311 --" --unit --serial --all
expect_not "ombrel-cli status --all --json --" --all --json --unit

# The units present: the demo's, as many as --units says.
expect "ombrel-cli --demo read --serial " PD2407311
expect "ombrel-cli --demo --units 3 read --serial " PD2407311 PD2407312 PD2407313
expect "ombrel-cli --demo --units=2 read --serial=" PD2407311 PD2407312
expect "ombrel-cli --demo --units 3 status --unit " 1 2 3
expect "ombrel-cli --units 3 --demo scan --unit=" 1 2 3

# File names for FILE, --log and --output-dir (folders only).
mkdir "$work/files" "$work/files/settings.d"
touch "$work/files/settings.ini" "$work/files/units.log"
cd "$work/files" || exit 1
expect "ombrel-cli write " settings.d settings.ini units.log
expect "ombrel-cli check sett" settings.d settings.ini
expect "ombrel-cli set --log u" units.log
expect "ombrel-cli read --output-dir " settings.d
expect "ombrel-cli restore-defaults --output-dir=s" settings.d
# One FILE only: then the options.
expect_not "ombrel-cli write settings.ini " settings.ini units.log
expect_among "ombrel-cli write settings.ini " --no-verify

if ((failures)); then
  echo "$failures failed" >&2
  exit 1
fi
echo "all completions as expected"
