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
  corpus="$build/corpus/$(basename "$fuzzer")"
  mkdir -p "$corpus"
  echo "Fuzzing with $(basename "$fuzzer") for ${seconds} s"
  "$fuzzer" -max_total_time="$seconds" -max_len=512 -print_final_stats=1 "$corpus" 2>&1 | tail -n 4
done
