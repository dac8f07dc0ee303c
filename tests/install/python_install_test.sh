#!/usr/bin/env bash
# python_install_test.sh BUILD_DIR SOURCE_DIR SCRATCH TRV_COUNTER: installs the
# build into a scratch prefix; the Python module installed there must load the
# installed library through its run path and run the Python example against
# the stand-in counter.
set -euo pipefail
build=$1; src=$2; scratch=$3; counter=$4
source "$src/tests/install/python_common.sh"
python=/usr/bin/python3
rm -rf "$scratch"; mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
site=$prefix/lib/python$("$python" -c 'import sysconfig; print(sysconfig.get_python_version())')/site-packages
test -e "$site/py_trv_api.py"
module=$(ls "$site"/_py_trv_api*.so)
libdir=$(dirname "$(find "$prefix" -name 'libtrv_api.so.1' | head -n 1)")
# No LD_LIBRARY_PATH: the run path finds the prefix's library.
found=$(ldd "$module" | sed -n 's/^\s*libtrv_api\.so\.1 => \(\S*\) .*/\1/p')
[ -n "$found" ] && [ "$(readlink -f "$found")" = "$(readlink -f "$libdir/libtrv_api.so.1")" ] ||
  { echo "$module does not load $libdir/libtrv_api.so.1 (it loads '$found')"; exit 1; }
cd "$scratch"   # not the build tree's module in the working directory
check_module "$python" "$site" "$libdir" "$site"
run_example "$python" "$scratch/logs" "$site"
echo "the installed Python module runs the example"
