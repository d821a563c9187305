#!/usr/bin/env bash
# Installs the build into a scratch prefix, then builds the C program through pkg-config against
# the installed library and runs it on the installed sentiment data directory; runs the installed
# driver on a sentence, from another folder and without -d, on the installed engine data directory
# (whose stores are relative links into the sentiment one).
set -euo pipefail
build=$1
src=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/include/kovex_sentiment.h"
test -d "$prefix/share/kovex/Data"
test -f "$prefix/share/kovex/Data/UserDict.pdat"
test -f "$prefix/share/kovex/engine/Data/UserDict.pdat"
link=$(readlink "$prefix/share/kovex/engine/Data/CoreDict.pdat")
[ "$link" = ../../Data/CoreDict.pdat ] || { echo "engine/Data/CoreDict.pdat links to '$link'"; exit 1; }
cmp "$prefix/share/kovex/engine/Data/English/ne.pos" "$build/Data/English/ne.pos"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cc -std=c99 -Wall -Werror -o "$prefix/st_refusals" "$src/st_refusals.c" $(pkg-config --cflags --libs kovexsentiment)
cd "$prefix"
LD_LIBRARY_PATH="$prefix/lib" ./st_refusals "$prefix/share/kovex"

mkdir "$prefix/elsewhere"
cd "$prefix/elsewhere"
out=$(printf '新华社记者报道全国人民的生活。\n' | "$prefix/bin/kovex")
echo "installed kovex: $out"
case $out in
  *记者/n*) ;;
  *) echo "the installed driver does not tag 记者 as a noun"; exit 1 ;;
esac
if printf '%s' "$out" | grep -qE '/-?[0-9]'; then
  echo "a weight among the installed driver's tags"
  exit 1
fi
if [ -n "$(ls -A "$prefix/elsewhere")" ]; then
  echo "the installed driver left files in its working directory: $(ls -A)"
  exit 1
fi
