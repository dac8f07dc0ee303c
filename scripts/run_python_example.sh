#!/usr/bin/env bash
# Builds the library and the Python module, starts the stand-in counter and
# runs the Python example trading session against it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh "$root/build/release" -DCMAKE_BUILD_TYPE=Release
PYTHONPATH="$root/build/release/python" bash scripts/example_with_counter.sh \
  "$root/build/release/examples/trv_counter" "$root/examples/trv_example.py" "$root/build/example-python-logs"
