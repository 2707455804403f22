#!/usr/bin/env bash
# Fuzzes for a while: builds the libFuzzer targets with clang in their own build folder and
# runs each over a copy of its committed seed corpus, one after the other.
#   scripts/fuzz.sh [SECONDS [FUZZER...]]     (default 60 seconds each; every fuzzer below)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
fuzzers=("$@")
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=(import isam params version_reply)
build=build/fuzz
cc=$(command -v clang-14 || command -v clang)
cxx=$(command -v clang++-14 || command -v clang++)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DTALLYSCAN_FUZZ=ON -DTALLYSCAN_BUILD_APP=OFF -DTALLYSCAN_WERROR=OFF >/dev/null
cmake --build "$build" --target "${fuzzers[@]/%/_fuzzer}" -j2

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for name in "${fuzzers[@]}"; do
  case "$name" in
    import) seeds=tests/fuzz/corpus max_len=65536 ;;
    isam) seeds=tests/fuzz/isam_corpus max_len=131072 ;;
    params) seeds=tests/fuzz/params_corpus max_len=65536 ;;
    version_reply) seeds=tests/fuzz/version_reply_corpus max_len=128 ;;
    *) echo "fuzz.sh: no fuzzer named $name" >&2; exit 2 ;;
  esac
  # The fuzzer adds what it finds to the working corpus, never to the committed seeds.
  work="$build/corpus-$name"
  mkdir -p "$work"
  cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "== ${name}_fuzzer for $seconds s"
  "$build/tests/fuzz/${name}_fuzzer" -max_total_time="$seconds" -max_len="$max_len" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/$name-" "$work"
done
