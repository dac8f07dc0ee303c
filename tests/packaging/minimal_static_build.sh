#!/usr/bin/env bash
# minimal_static_build.sh SOURCE SCRATCH: the tree with every optional part
# off (BUILD_TESTING, TRV_BUILD_PYTHON, TRV_BENCH) and BUILD_SHARED_LIBS=OFF,
# where GoogleTest, Google Benchmark and spdlog cannot be found. It must
# build the library alone (no test, fuzz, counter, benchmark or Python
# target, no look for SWIG or Python), install libtrv_api.a exporting the
# same interface as the shared library, with a CMake package and a
# pkg-config file that static programs build against, and those programs
# must run without any libtrv_api.so.
set -euo pipefail
src=$1; scratch=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"; mkdir -p "$scratch"
build=$scratch/build; prefix=$scratch/prefix
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF -DTRV_BUILD_PYTHON=OFF -DTRV_BENCH=OFF -DBUILD_SHARED_LIBS=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_spdlog=ON >/dev/null

for entry in TRV_SWIG TRV_PYTHON GTest_DIR benchmark_DIR; do
  if grep -q "^$entry:" "$build/CMakeCache.txt"; then echo "the minimal build looked for $entry"; exit 1; fi
done
extra=$(ninja -C "$build" -t targets all | cut -d: -f1 | grep -E '(_test|_fuzz|_bench|trv_counter|_py_trv_api|trv_test_support)$' || true)
if [ -n "$extra" ]; then echo "the minimal build has targets beyond the library:"; echo "$extra"; exit 1; fi

cmake --build "$build" >/dev/null
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libtrv_api.a' | head -n 1)")
test -e "$libdir/libtrv_api.a" && test -e "$prefix/include/trv_api.h"
if find "$prefix" -name 'libtrv_api.so*' | grep -q .; then echo "a shared library was installed"; exit 1; fi
bash "$here/export_table.sh" static "$libdir/libtrv_api.a" "$here/exported_symbols.txt"

# Through the CMake package: the example program, which brings the three
# APIs up and stops them.
cmake -S "$src/tests/install" -B "$scratch/cmake-user" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DTRV_EXAMPLE_SOURCE="$src/examples/trv_example.cpp" >/dev/null
cmake --build "$scratch/cmake-user" >/dev/null
# Through pkg-config, with and without --static: the minimal program.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
c++ -std=c++11 -o "$scratch/pc-static" "$src/examples/minimal.cpp" $(pkg-config --static --cflags --libs trv_api)
c++ -std=c++11 -o "$scratch/pc-plain" "$src/examples/minimal.cpp" $(pkg-config --cflags --libs trv_api)

export TRV_FILE_PATH=$scratch/logs
for exe in "$scratch/cmake-user/trv_example" "$scratch/pc-static" "$scratch/pc-plain"; do
  if ldd "$exe" | grep -q libtrv_api; then echo "$exe needs a shared libtrv_api"; exit 1; fi
done
"$scratch/cmake-user/trv_example" | grep "all APIs stopped" >/dev/null \
  || { echo "the statically linked example did not run"; exit 1; }
# No gateway listens on the port: the login is refused, as the program says.
for exe in "$scratch/pc-static" "$scratch/pc-plain"; do
  out=$("$exe" 1 || true)
  echo "$out" | grep "no login:" >/dev/null || { echo "$exe: $out"; exit 1; }
done
echo "static library built alone, installed and used through the CMake package and pkg-config"
