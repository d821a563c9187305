# Sourced by the driver's check scripts with the build folder as $1: sets $kovex to the built
# driver, works in a scratch folder removed at exit, and counts failures; `finish WHAT` ends the
# script with status 1 after any failure.
set -uo pipefail
kovex=$(cd "$1" && pwd)/bin/kovex
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "$1: all checks passed"
}
