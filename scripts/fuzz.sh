#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for a while (default 30 s,
# or the number of seconds given): a crash or sanitizer report fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
"$root/scripts/setup.sh"
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBREL_BUILD_APP=OFF \
      -DOMBREL_BUILD_TESTS=OFF -DOMBREL_FUZZ=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
for fuzzer in "$build"/tests/fuzz/ombrel_*_fuzzer; do
  name=$(basename "$fuzzer")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  # ombrel_NAME_fuzzer may have seeds in tests/fuzz/NAME_seeds and a
  # dictionary in tests/fuzz/NAME.dict. A settings file needs more room
  # than a report.
  short=${name#ombrel_}
  short=${short%_fuzzer}
  options=(-max_total_time="$seconds" -print_final_stats=1)
  case "$short" in
    settings_file) options+=(-max_len=2048) ;;
    *) options+=(-max_len=512) ;;
  esac
  [[ -f "$root/tests/fuzz/$short.dict" ]] && options+=(-dict="$root/tests/fuzz/$short.dict")
  extra=()
  [[ -d "$root/tests/fuzz/${short}_seeds" ]] && extra+=("$root/tests/fuzz/${short}_seeds")
  echo "Fuzzing with $name for ${seconds} s"
  "$fuzzer" "${options[@]}" "$corpus" "${extra[@]}" 2>&1 | tail -n 4
done
