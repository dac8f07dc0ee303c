#!/usr/bin/env bash
# install_test.sh BUILD_DIR SOURCE_DIR SCRATCH: installs the built library
# into a scratch prefix and builds the example program against that copy,
# through the CMake package and through pkg-config; each program must load
# the installed library.
set -euo pipefail
build=$1; src=$2; scratch=$3
rm -rf "$scratch"; mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libtrv_api.so' | head -n 1)")
test -e "$libdir/libtrv_api.so" && test -e "$prefix/include/trv_api.h"
soname=$(readelf -d "$libdir/libtrv_api.so" | sed -n 's/.*(SONAME).*\[\(.*\)\].*/\1/p')
[[ "$soname" == libtrv_api.so.[0-9]* ]] || { echo "unversioned soname: $soname"; exit 1; }

# CMake package
cmake -S "$src/tests/install" -B "$scratch/cmake-user" -DCMAKE_PREFIX_PATH="$prefix" \
  -DTRV_EXAMPLE_SOURCE="$src/examples/trv_example.cpp" >/dev/null
cmake --build "$scratch/cmake-user" >/dev/null
# pkg-config
export PKG_CONFIG_PATH="$libdir/pkgconfig"
c++ -std=c++11 -o "$scratch/pc-example" "$src/examples/trv_example.cpp" $(pkg-config --cflags --libs trv_api)

for exe in "$scratch/cmake-user/trv_example" "$scratch/pc-example"; do
  # grep reads to the end: with -q it could quit early and fail the pipe
  # (pipefail) by the writer's SIGPIPE.
  readelf -d "$exe" | grep "Shared library: \[$soname\]" >/dev/null || { echo "$exe does not need $soname"; exit 1; }
  # The dynamic loader must resolve the library from the installed prefix.
  LD_LIBRARY_PATH="$libdir" ldd "$exe" | grep "$libdir/$soname" >/dev/null || { echo "$exe does not load $libdir/$soname"; exit 1; }
done
echo "example built against the installed copy through the CMake package and pkg-config"
