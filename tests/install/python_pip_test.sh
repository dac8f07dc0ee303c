#!/usr/bin/env bash
# python_pip_test.sh SOURCE_DIR SCRATCH TRV_COUNTER: builds a wheel of the
# Python module from the source tree with pip (no package index, no build
# isolation: setuptools and wheel are the system's), installs the source tree
# with pip into a virtual environment and the wheel into a directory of its
# own; each installed copy runs the Python example against the stand-in
# counter. GoogleTest and Google Benchmark are hidden from CMake, as on a
# machine without them: the pip route must not need them.
set -euo pipefail
src=$1; scratch=$2; counter=$3
source "$src/tests/install/python_common.sh"
rm -rf "$scratch"; mkdir -p "$scratch"
cd "$scratch"   # not the build tree's module in the working directory
/usr/bin/python3 -m venv --system-site-packages "$scratch/venv"
export PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_NO_CACHE_DIR=1
# setuptools and CMake build here, not under the source tree.
export TRV_PIP_BUILD_DIR=$scratch/pip-build
export CMAKE_ARGS="-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON"
pip=$scratch/venv/bin/pip
"$pip" wheel -q --no-build-isolation --no-deps -w "$scratch/wheels" "$src"
"$pip" install -q --no-build-isolation --no-deps "$src"
wheel=$(ls "$scratch"/wheels/py_trv_api-*.whl)
"$pip" install -q --no-deps --target "$scratch/target" "$wheel"

venv_site=$("$scratch/venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')
check_module "$scratch/venv/bin/python" "$venv_site" "$venv_site"
run_example "$scratch/venv/bin/python" "$scratch/logs-venv"
check_module /usr/bin/python3 "$scratch/target" "$scratch/target" "$scratch/target"
run_example /usr/bin/python3 "$scratch/logs-wheel" "$scratch/target"
echo "pip built and installed the module; both copies run the example"
