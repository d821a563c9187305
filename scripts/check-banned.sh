#!/usr/bin/env bash
# Library code must never end the host process, change its working directory or its locale.
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(grep -rnE --include='*.cpp' --include='*.h' --include='*.c' \
  '(^|[^A-Za-z0-9_.>:])(std::)?(exit|_exit|abort|chdir|fchdir|setlocale|quick_exit)[[:space:]]*\(' Src \
  | grep -vE '^[^:]+:[0-9]+:[[:space:]]*(//|\*)' || true)
if [ -n "$hits" ]; then
  echo "banned calls in library code:"
  echo "$hits"
  exit 1
fi
echo "no banned calls"
