#!/usr/bin/env bash
# Fuzzes the import for a while: builds the libFuzzer target with clang in its own build
# folder and runs it over a copy of the committed seed corpus.
#   scripts/fuzz.sh [SECONDS]     (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz
cc=$(command -v clang-14 || command -v clang)
cxx=$(command -v clang++-14 || command -v clang++)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DTALLYSCAN_FUZZ=ON -DTALLYSCAN_BUILD_APP=OFF -DTALLYSCAN_WERROR=OFF >/dev/null
cmake --build "$build" --target import_fuzzer -j2

# The fuzzer adds what it finds to the working corpus, never to the committed seeds.
work="$build/corpus"
mkdir -p "$work"
cp -n tests/fuzz/corpus/* "$work"/ 2>/dev/null || true
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$build/tests/fuzz/import_fuzzer" -max_total_time="$seconds" -max_len=65536 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/" "$work"
