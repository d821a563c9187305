#!/usr/bin/env bash
# Runs the demo on the bundled sample once it exists; until then, whatever tool the build made.
set -euo pipefail
build=${1:-build}
if [ -x "$build/bin/kxdemo" ]; then
  exec "$build/bin/kxdemo" "$build" data/sample
fi
if [ -x "$build/bin/datacheck" ] && [ -d "$build/Data" ]; then
  exec "$build/bin/datacheck" "$build"
fi
echo "built: $(ls "$build/lib" 2>/dev/null | tr '\n' ' ')"
echo "no demo tool is built yet"
