#!/usr/bin/env bash
# Runs every fuzz target found in <build dir>/fuzz for a share of <seconds>.
set -euo pipefail
build=${1:-build-fuzz}
total=${2:-30}
shopt -s nullglob
targets=()
for f in "$build"/fuzz/*/fuzz_*; do [ -x "$f" ] && targets+=("$f"); done
if [ ${#targets[@]} -eq 0 ]; then echo "no fuzz targets"; exit 0; fi
each=$(( total / ${#targets[@]} )); [ "$each" -ge 1 ] || each=1
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus="fuzz/corpus/$name"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "-- $name (${each}s)"
  "$t" -max_total_time="$each" -print_final_stats=0 "$work" >"$work.log" 2>&1 || { tail -50 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done
