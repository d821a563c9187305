#!/usr/bin/env bash
# Runs every libFuzzer target for a while, starting from (and adding to) its saved inputs.
set -euo pipefail
build=${1:-build-fuzz}
secs=${2:-30}
for f in "$build"/fuzz/*_fuzz; do
  [ -x "$f" ] || continue
  name=$(basename "$f" _fuzz)
  corpus="fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name ($secs s)"
  "$f" -max_total_time="$secs" -max_len=4096 "$corpus"
done
