#!/usr/bin/env bash
# Rederives data/ from the open sources into a scratch folder and compares it with the committed
# files: the derivation must reproduce them byte for byte. Skipped (77) when the corpus is absent.
# The sentiment lexicon FieldDict.txt needs the engine: scripts/check-sentilex.sh checks it. The
# lists of opinion words OpinionWords.txt and of words without opinion NotOpinionWords.txt are
# written by hand (inputs of that lexicon).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/kx-rederive}
corpus=$(/usr/bin/python3 -c 'import sys; sys.path.insert(0, "tools"); import derive_data; print(derive_data.default_corpus())')
if [ ! -f "$corpus" ]; then
  echo "corpus not found ($corpus): skipped"
  exit 77
fi
rm -rf "$out"
/usr/bin/python3 tools/derive_data.py --out "$out"
if diff -r -x README.md -x FieldDict.txt -x OpinionWords.txt -x NotOpinionWords.txt data "$out"; then
  echo "data/ reproduced exactly"
else
  echo "data/ differs from a fresh derivation"
  exit 1
fi
