#!/usr/bin/env bash
# The demo: the sentiment library at work (kxdemo), then the engine's document-level answers
# (keywords, new words, summary) through the driver. Without the sentiment demo, the driver also
# segments and tags a few sentences.
set -euo pipefail
build=${1:-build}

indent() { while IFS= read -r line; do printf '  %s\n' "$line"; done; }

have_demo=
if [ -x "$build/bin/kxdemo" ]; then
  # Run inside the build folder, so that the engine's day log lands there.
  (cd "$build" && ./bin/kxdemo .)
  have_demo=1
fi
if [ -x "$build/bin/kovex" ] && [ -d "$build/Data" ]; then
  if [ -z "$have_demo" ]; then
    samples='1998年3月27日，江泽民主席在北京会见了来访的美国客人。
王小明今年23岁，他喜欢用Python写程序，每天学习3个小时。
详细内容请访问http://www.example.com/news/index.html，或者拨打电话010-12345678。
This is an English sentence with 2 numbers and the word engine.'
    printf '%s\n' "$samples" | indent
    echo "segmented and tagged by $build/bin/kovex:"
    printf '%s\n' "$samples" | (cd "$build" && ./bin/kovex -d . -e 1) | indent
  fi
  article='本报武汉电 记者李明报道：长江上又一座大桥昨天正式通车。这座大桥全长三千米，是长江上最长的公路大桥。
大桥通车后，两岸居民过江的时间从一个小时缩短到十分钟。武汉市政府表示，大桥的建成将带动长江两岸的经济发展。
据介绍，大桥由中国企业设计和建造，总投资四十亿元。'
  echo
  printf '%s\n' "$article" | indent
  echo "keywords, new words and summary by $build/bin/kovex -k:"
  printf '%s\n' "$article" | (cd "$build" && ./bin/kovex -d . -e 1 -k) | indent
  exit 0
fi
if [ -n "$have_demo" ]; then exit 0; fi
if [ -x "$build/bin/datacheck" ] && [ -d "$build/Data" ]; then
  exec "$build/bin/datacheck" "$build"
fi
echo "built: $(ls "$build/lib" 2>/dev/null | tr '\n' ' ')"
echo "no demo tool is built yet"
