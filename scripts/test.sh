#!/usr/bin/env bash
# Runs the whole suite: optimised, ASan+UBSan, TSan (concurrency tests),
# and the fuzz targets briefly on their corpora.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
jobs=$(nproc)
out=${TRV_BUILD_ROOT:-$root/build}

echo "== optimised build"
bash scripts/build.sh "$out/release" -DCMAKE_BUILD_TYPE=Release
(cd "$out/release" && ctest -j "$jobs" --output-on-failure)

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh "$out/asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTRV_SANITIZE=address,undefined -DTRV_BENCH=OFF
(cd "$out/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest -j "$jobs" --output-on-failure)

echo "== ThreadSanitizer (concurrency tests)"
bash scripts/build.sh "$out/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTRV_SANITIZE=thread -DTRV_BENCH=OFF
(cd "$out/tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest -j "$jobs" -L concurrency --output-on-failure)

echo "== fuzz targets"
bash scripts/build.sh "$out/fuzz" -DTRV_FUZZ=ON -DTRV_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DTRV_SANITIZE=address,undefined
bash scripts/run_fuzzers.sh "$out/fuzz"
