#!/usr/bin/env bash
# Builds the library and runs the example trading program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh "$root/build/release" -DCMAKE_BUILD_TYPE=Release
mkdir -p "$root/build/example-logs"
TRV_FILE_PATH="$root/build/example-logs" "$root/build/release/examples/trv_example"
