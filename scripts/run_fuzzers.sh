#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a short, fixed time on a copy of
# its seed corpus.
set -euo pipefail
dir=$1
secs=${TRV_FUZZ_SECONDS:-20}
passed=0; failed=0
while IFS='|' read -r name corpus; do
  [ -n "$name" ] || continue
  work=$(mktemp -d)
  cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  if "$dir/$name" -seed=1 -max_total_time="$secs" -timeout=10 "$work" >"$dir/$name.log" 2>&1; then
    passed=$((passed+1)); echo "fuzz $name: ok"
  else
    failed=$((failed+1)); echo "fuzz $name: FAILED"; tail -40 "$dir/$name.log"
  fi
  rm -rf "$work"
done < "$dir/fuzzers.txt"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
