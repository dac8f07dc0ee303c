#!/usr/bin/env bash
# Builds the library, starts the stand-in counter and runs the example
# trading program against it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh "$root/build/release" -DCMAKE_BUILD_TYPE=Release
bash scripts/example_with_counter.sh "$root/build/release/examples/trv_counter" \
  "$root/build/release/examples/trv_example" "$root/build/example-logs"
