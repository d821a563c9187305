#!/usr/bin/env bash
# Runs the demo on the bundled sample once it exists; until then, whatever tool the build made.
set -euo pipefail
build=${1:-build}
if [ -x "$build/bin/kxdemo" ]; then
  # Run inside the build folder, so that the engine's day log lands there.
  cd "$build" && exec ./bin/kxdemo .
fi
if [ -x "$build/bin/kovex" ] && [ -d "$build/Data" ]; then
  # The engine at work: a few UTF-8 sentences segmented and tagged through its interface.
  samples='1998年3月27日，江泽民主席在北京会见了来访的美国客人。
王小明今年23岁，他喜欢用Python写程序，每天学习3个小时。
详细内容请访问http://www.example.com/news/index.html，或者拨打电话010-12345678。
This is an English sentence with 2 numbers and the word engine.'
  printf '%s\n' "$samples" | while IFS= read -r line; do printf '  %s\n' "$line"; done
  echo "segmented and tagged by $build/bin/kovex:"
  # Run inside the build folder, so that the engine's day log lands there.
  printf '%s\n' "$samples" | (cd "$build" && ./bin/kovex -d . -e 1) | while IFS= read -r line; do printf '  %s\n' "$line"; done
  # The document-level answers: keywords, new words and a short summary of a news text.
  article='本报武汉电 记者李明报道：长江上又一座大桥昨天正式通车。这座大桥全长三千米，是长江上最长的公路大桥。
大桥通车后，两岸居民过江的时间从一个小时缩短到十分钟。武汉市政府表示，大桥的建成将带动长江两岸的经济发展。
据介绍，大桥由中国企业设计和建造，总投资四十亿元。'
  echo
  printf '%s\n' "$article" | while IFS= read -r line; do printf '  %s\n' "$line"; done
  echo "keywords, new words and summary by $build/bin/kovex -k:"
  printf '%s\n' "$article" | (cd "$build" && ./bin/kovex -d . -e 1 -k) | while IFS= read -r line; do printf '  %s\n' "$line"; done
  exit 0
fi
if [ -x "$build/bin/datacheck" ] && [ -d "$build/Data" ]; then
  exec "$build/bin/datacheck" "$build"
fi
echo "built: $(ls "$build/lib" 2>/dev/null | tr '\n' ' ')"
echo "no demo tool is built yet"
