#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a short, fixed time on a copy of
# its seed corpus. Leak detection is on, per input and at exit: a target that
# leaks fails. leak_canary_fuzz, which leaks on its seed, runs first and must
# fail with a leak report, or no run counts.
set -euo pipefail
dir=$1
secs=${TRV_FUZZ_SECONDS:-20}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
run() {  # run NAME CORPUS LOG
  local work rc=0
  work=$(mktemp -d)
  cp -r "$2"/. "$work"/ 2>/dev/null || true
  # Crash and leak inputs go beside the logs, not into the working directory.
  mkdir -p "$dir/artifacts"
  "$dir/$1" -seed=1 -max_total_time="$secs" -timeout=10 -detect_leaks=1 \
    -artifact_prefix="$dir/artifacts/$1-" "$work" >"$3" 2>&1 || rc=$?
  rm -rf "$work"
  return $rc
}
canary=$(grep '^leak_canary_fuzz|' "$dir/fuzzers.txt" | cut -d'|' -f2)
if run leak_canary_fuzz "$canary" "$dir/leak_canary_fuzz.log" || ! grep -q "LeakSanitizer" "$dir/leak_canary_fuzz.log"; then
  echo "fuzz: leak detection is off (leak_canary_fuzz did not report its leak)"; tail -20 "$dir/leak_canary_fuzz.log"
  exit 1
fi
echo "fuzz leak_canary_fuzz: its leak was reported"
passed=0; failed=0
while IFS='|' read -r name corpus; do
  [ -n "$name" ] && [ "$name" != leak_canary_fuzz ] || continue
  if run "$name" "$corpus" "$dir/$name.log"; then
    passed=$((passed+1)); echo "fuzz $name: ok ($(grep -Eo 'exec/s: [0-9]+' "$dir/$name.log" | tail -1))"
  else
    failed=$((failed+1)); echo "fuzz $name: FAILED"; tail -40 "$dir/$name.log"
  fi
done < "$dir/fuzzers.txt"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
