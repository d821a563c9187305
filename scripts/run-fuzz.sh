#!/usr/bin/env bash
# Runs every libFuzzer target for a while, starting from its saved inputs. New inputs go to the
# build folder; copy the few worth keeping into fuzz/corpus/<name>/ by hand.
set -euo pipefail
build=${1:-build-fuzz}
secs=${2:-30}
for f in "$build"/fuzz/*_fuzz; do
  [ -x "$f" ] || continue
  name=$(basename "$f" _fuzz)
  found="$build/corpus/$name"
  mkdir -p "$found"
  echo "== $name ($secs s)"
  # Standard output closed: the importers report progress there; libFuzzer writes to stderr.
  "$f" -max_total_time="$secs" -max_len=4096 -close_fd_mask=1 "$found" "fuzz/corpus/$name"
done
