#!/usr/bin/env bash
# subproject_build.sh SOURCE SCRATCH: the source tree inside a user project
# (tests/packaging/subproject). By add_subdirectory, built whole with -DDEBUG
# and the user's program run; by FetchContent, configured. Either way the
# project gets the library and the trv_api::trv_api alias only: none of the
# tree's tests, fuzz targets, counter, benchmarks, examples, Python module or
# install rules.
set -euo pipefail
src=$1; scratch=$2
rm -rf "$scratch"; mkdir -p "$scratch"
check_targets() {
  local extra
  extra=$(ninja -C "$1" -t targets all | cut -d: -f1 |
          grep -E '(_test|_fuzz|_bench|trv_counter|trv_example|trv_minimal|_py_trv_api|trv_test_support)$' || true)
  if [ -n "$extra" ]; then echo "$2: the user project got more than the library:"; echo "$extra"; exit 1; fi
}
for how in add_subdirectory FetchContent; do
  cmake -S "$src/tests/packaging/subproject" -B "$scratch/$how" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTRV_SOURCE="$src" -DTRV_HOW=$how >/dev/null
  check_targets "$scratch/$how" $how
done
cmake --build "$scratch/add_subdirectory" >/dev/null
TRV_FILE_PATH=$scratch/logs "$scratch/add_subdirectory/user_example" | grep "all APIs stopped" >/dev/null \
  || { echo "the user program built with the library's sources did not run"; exit 1; }
echo "the library builds inside a user project by add_subdirectory (with -DDEBUG) and FetchContent"
