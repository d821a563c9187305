#!/usr/bin/env bash
# The demo shows both faces of the library:
#   1. the lexical engine on its own data directory (build/engine/Data, no sentiment lexicon):
#      a few sentences segmented and tagged by the driver kovex, then the keywords, new words and
#      summary of a news text (kovex -k);
#   2. the sentiment library on its data directory (build/Data, ST_Init on build) through kxdemo.
set -euo pipefail
build=${1:-build}

indent() { while IFS= read -r line; do printf '  %s\n' "$line"; done; }

if [ -x "$build/bin/kovex" ] && [ -d "$build/engine/Data" ]; then
  echo "== The engine on its own data ($build/engine/Data)"
  samples='1998年3月27日，江泽民主席在北京会见了来访的美国客人。
王小明今年23岁，他喜欢用Python写程序，每天学习3个小时。
详细内容请访问http://www.example.com/news/index.html，或者拨打电话010-12345678。
This is an English sentence with 2 numbers and the word engine.'
  printf '%s\n' "$samples" | indent
  echo "segmented and tagged by $build/bin/kovex:"
  printf '%s\n' "$samples" | "$build/bin/kovex" | indent
  article='本报武汉电 记者李明报道：长江上又一座大桥昨天正式通车。这座大桥全长三千米，是长江上最长的公路大桥。
大桥通车后，两岸居民过江的时间从一个小时缩短到十分钟。武汉市政府表示，大桥的建成将带动长江两岸的经济发展。
据介绍，大桥由中国企业设计和建造，总投资四十亿元。'
  echo
  printf '%s\n' "$article" | indent
  echo "keywords, new words and summary by $build/bin/kovex -k:"
  printf '%s\n' "$article" | "$build/bin/kovex" -k | indent
  echo
fi
if [ -x "$build/bin/kxdemo" ] && [ -d "$build/Data" ]; then
  echo "== The sentiment library on its data ($build/Data)"
  # Run inside the build folder, so that the engine's day log lands there.
  (cd "$build" && ./bin/kxdemo .)
  exit 0
fi
if [ -x "$build/bin/datacheck" ] && [ -d "$build/Data" ]; then
  exec "$build/bin/datacheck" "$build"
fi
echo "built: $(ls "$build/lib" 2>/dev/null | tr '\n' ' ')"
echo "no demo tool is built yet"
