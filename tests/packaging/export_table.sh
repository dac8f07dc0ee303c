#!/usr/bin/env bash
# export_table.sh shared|static LIBRARY LIST [PYTHON_MODULE]: the library's
# exported symbols (demangled, without their types) must be exactly LIST;
# the Python module must export only its init function.
#
# For the archive, the exported symbols are its global definitions, less the
# instantiations of standard templates (weak, merged with the program's own).
set -euo pipefail
kind=$1; lib=$2; list=$3; module=${4:-}
actual=$(mktemp); trap 'rm -f "$actual"' EXIT
if [ "$kind" = shared ]; then
  nm -D --defined-only "$lib" | awk '{print $3}' | c++filt | LC_ALL=C sort -u > "$actual"
else
  nm -g --defined-only "$lib" | awk 'NF == 3 {print $3}' | c++filt | grep -Ev '^([^(]* )?(std|__gnu_cxx)::' | LC_ALL=C sort -u > "$actual"
fi
if ! diff -u "$list" "$actual"; then
  echo "the export table of $lib differs from $list (- expected, + exported)"
  exit 1
fi
echo "$lib exports the $(wc -l < "$list") symbols of the list"
if [ -n "$module" ]; then
  exports=$(nm -D --defined-only "$module" | awk '{print $3}')
  if [ "$exports" != "PyInit__py_trv_api" ]; then
    echo "$module exports more than its init function:"; echo "$exports"; exit 1
  fi
  echo "$module exports only PyInit__py_trv_api"
fi
