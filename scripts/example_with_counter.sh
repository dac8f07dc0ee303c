#!/usr/bin/env bash
# Starts the stand-in counter on loopback and runs the example program
# against it: example_with_counter.sh TRV_COUNTER TRV_EXAMPLE LOG_DIR
# (with TRV_EXAMPLE_INTERPRETER set, the example is run by that program).
set -euo pipefail
counter=$1
example=$2
mkdir -p "$3"
port_file=$(mktemp)
"$counter" --port-file "$port_file" --time-limit 60 --account demo:normal \
  --channel 1:0 --channel 102:0 --feed-ms 100 > /dev/null &
counter_pid=$!
trap 'kill $counter_pid 2>/dev/null || true; rm -f "$port_file" "$port_file.tmp"' EXIT
for _ in $(seq 200); do
  [ -s "$port_file" ] && break
  sleep 0.1
done
TRV_FILE_PATH="$3" ${TRV_EXAMPLE_INTERPRETER:+"$TRV_EXAMPLE_INTERPRETER"} "$example" "$(cat "$port_file")"
