#!/usr/bin/env bash
# Installs the build into a scratch prefix, then builds the C program through pkg-config against
# the installed library and runs it on the installed data directory.
set -euo pipefail
build=$1
src=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/include/kovex_sentiment.h"
test -d "$prefix/share/kovex/Data"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cc -std=c99 -Wall -Werror -o "$prefix/st_refusals" "$src/st_refusals.c" $(pkg-config --cflags --libs kovexsentiment)
cd "$prefix"
LD_LIBRARY_PATH="$prefix/lib" ./st_refusals "$prefix/share/kovex"
