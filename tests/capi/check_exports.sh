#!/usr/bin/env bash
# The shared library must export exactly the ten ST_ functions and nothing else.
set -euo pipefail
expected='ST_Exit
ST_GetLastErrorMsg
ST_GetMultiObjectResult
ST_GetOneObjectResult
ST_GetSentencePoint
ST_GetSentimentPoint
ST_ImportUserDict
ST_Init
ST_ProcesDir
ST_SentiDictIO'
actual=$(nm -D --defined-only "$1" | awk '{print $NF}' | sort)
if [ "$actual" != "$expected" ]; then
  echo "exported symbols differ:"; diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
