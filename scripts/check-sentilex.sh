#!/usr/bin/env bash
# The sentiment lexicon data/FieldDict.txt and its derivation from the review corpus.
#   check-sentilex.sh rederive BUILD        derives it afresh (BUILD/bin/sentilex, on a copy of
#                                            BUILD/Data without the field dictionary) and compares
#                                            it byte for byte with the committed file
#   check-sentilex.sh measure BUILD FLOOR   leave-one-category-out through the library's own
#                                            calls (BUILD/bin/sentieval); fails when the mean
#                                            accuracy is below FLOOR
#                                            and the pooled one below 0.881, or when its entries
#                                            tag more than 1.2 % of the news tokens with a weight
# Both read the news corpus (derive_data.default_corpus()) for the cut of ordinary text, the
# list of opinion words data/OpinionWords.txt and the list of words without opinion of their own
# data/NotOpinionWords.txt. Skipped (77) when the review or the news corpus is absent.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
name=shared/corpus/reviews-8cats.utf8.csv.xz
corpus=""
for base in "$(dirname "$root")" "$(dirname "$(dirname "$root")")" /work; do
  if [ -f "$base/$name" ]; then
    corpus=$base/$name
    break
  fi
done
if [ -z "$corpus" ]; then
  echo "review corpus not found: skipped"
  exit 77
fi
# The news corpus whose days 1-26 tell which entries would split ordinary words.
news=$(/usr/bin/python3 -c "import sys; sys.path.insert(0, '$root/tools'); import derive_data; print(derive_data.default_corpus())" 2>/dev/null || true)
if [ -z "$news" ] || [ ! -f "$news" ]; then
  echo "news corpus not found: skipped"
  exit 77
fi
scratch=$build/sentilex-$mode
rm -rf "$scratch"
mkdir -p "$scratch"
case $mode in
  rederive)
    cp -rL "$build/Data" "$scratch/Data"
    rm -f "$scratch/Data"/FieldDict.*
    (cd "$scratch" && "$build/bin/sentilex" --news "$news" --words "$root/data/OpinionWords.txt" \
      --notalone "$root/data/NotOpinionWords.txt" . "$corpus" lexicon.txt)
    if cmp "$scratch/lexicon.txt" "$root/data/FieldDict.txt"; then
      echo "data/FieldDict.txt reproduced exactly"
      rm -rf "$scratch"
    else
      echo "data/FieldDict.txt differs from a fresh derivation ($scratch/lexicon.txt)"
      exit 1
    fi
    ;;
  measure)
    (cd "$scratch" && "$build/bin/sentieval" --news "$news" --words "$root/data/OpinionWords.txt" \
      --notalone "$root/data/NotOpinionWords.txt" --floor "$3" \
      --pooled-floor 0.881 --news-ceiling 0.012 "$build" "$corpus" work)
    rm -rf "$scratch"
    ;;
  *)
    echo "usage: check-sentilex.sh rederive|measure BUILD [FLOOR]"
    exit 2
    ;;
esac
