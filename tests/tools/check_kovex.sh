#!/usr/bin/env bash
# The built driver as a user runs it: options and --help, the engine's own data found without -d
# (parts of speech, no sentiment weights), results in input order with -j 8 as with -j 1, NUL
# bytes, and every failure as one line on standard error with a non-zero status, no log file left
# in the working directory.
#   check_kovex.sh BUILD
set -uo pipefail
kovex=$(cd "$1" && pwd)/bin/kovex
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs kovex with the arguments, standard input from $in (default /dev/null); sets $status, and
# leaves standard output in out.txt and standard error in err.txt.
in=/dev/null
run() { "$kovex" "$@" <"$in" >out.txt 2>err.txt; status=$?; }
# The last run failed with status $1 and exactly one line on standard error matching $2.
expect_failure() {
  local want=$1 pattern=$2 what=$3
  [ "$status" -eq "$want" ] || fail "$what: status $status, wanted $want"
  [ "$(wc -l <err.txt)" -eq 1 ] || fail "$what: standard error holds $(wc -l <err.txt) lines: $(cat err.txt)"
  grep -q -- "$pattern" err.txt || fail "$what: standard error lacks '$pattern': $(cat err.txt)"
}
no_logs() { ! ls "$work" | grep -qE '^[0-9]{8}\.(log|err)$' || fail "$1: a log file was left in the working directory"; }

# --help on standard output, naming what a user must know.
run --help
[ "$status" -eq 0 ] || fail "--help: status $status"
for want in '-j N' '-k' 'into memory' '--log DIR' 'NUL byte' '--stats' 'standard error'; do
  grep -q -- "$want" out.txt || fail "--help does not mention '$want'"
done

# A sentence on the engine's data, found beside the executable: parts of speech, never a weight.
printf '1998年3月27日，江泽民主席在北京会见了来访的美国记者，全国人民都很满意。\n' >sentence.txt
in=sentence.txt run
[ "$status" -eq 0 ] || fail "sentence: status $status: $(cat err.txt)"
[ -s err.txt ] && fail "sentence: standard error not empty: $(cat err.txt)"
grep -q '记者/n' out.txt || fail "sentence: 记者 is not tagged n: $(cat out.txt)"
grep -qE '/-?[0-9]' out.txt && fail "sentence: a weight among the tags: $(cat out.txt)"
[ "$(wc -l <out.txt)" -eq 1 ] || fail "sentence: $(wc -l <out.txt) result lines"
in=sentence.txt run -t 0
grep -q '/' out.txt && fail "-t 0 still tags: $(cat out.txt)"
no_logs "start-up"
# A clean start-up on either shipped data directory logs nothing (each ships its user dictionary).
mkdir clean-logs
for data in "" "$(dirname "$(dirname "$kovex")")"; do
  in=sentence.txt run --log clean-logs ${data:+-d "$data"}
  [ "$status" -eq 0 ] || fail "--log clean-logs ${data:+-d $data}: status $status: $(cat err.txt)"
  [ -z "$(ls clean-logs)" ] && [ ! -s err.txt ] || fail "start-up ${data:+on $data }logged: $(cat clean-logs/* err.txt)"
done

# A few thousand lines of unequal length: -j 8 gives the bytes of -j 1, one result per line,
# each result on the line of its input.
for i in $(seq 1 3000); do
  case $((i % 4)) in
    0) printf '第%d行：国务院总理今天在人民大会堂会见了来访的客人，双方就两国关系交换了意见。\n' "$i" ;;
    1) printf 'Line %d is English text with 2 numbers.\n' "$i" ;;
    2) printf '\n' ;;
    3) printf '编号%d王小明今年23岁，他喜欢用Python写程序，每天学习3个小时，还常去图书馆看书。\n' "$i" ;;
  esac
done >lines.txt
"$kovex" -j 1 lines.txt >one.txt 2>err.txt || fail "-j 1: $(cat err.txt)"
"$kovex" -j 8 --stats <lines.txt >eight.txt 2>stats.txt || fail "-j 8: $(cat stats.txt)"
cmp -s one.txt eight.txt || fail "-j 8 differs from -j 1"
[ "$(wc -l <one.txt)" -eq 3000 ] || fail "$(wc -l <one.txt) result lines for 3000"
sed -n '1001p' one.txt | grep -q '1001' || fail "line 1001 is not the result of input line 1001"
sed -n '2999p' one.txt | grep -q '2999' || fail "line 2999 is not the result of input line 2999"
[ "$(sed -n '2p' one.txt)" = "" ] || fail "an empty line does not give an empty result"
grep -q 'start-up .* 3000 lines, .* on 8 thread(s), .* peak' stats.txt || fail "--stats: $(cat stats.txt)"
[ "$(wc -l <stats.txt)" -eq 1 ] || fail "--stats: more than one line on standard error"

# A NUL byte is a blank, in line mode and in -k mode, from a file and from standard input.
printf '北京是中国的首都\0今天天气很好\n' >nul.txt
printf '北京是中国的首都 今天天气很好\n' >blank.txt
"$kovex" nul.txt >a.txt && "$kovex" <blank.txt >b.txt || fail "NUL: status"
cmp -s a.txt b.txt || fail "line mode: a NUL byte is not read as a blank: $(cat a.txt)"
"$kovex" -k <nul.txt >a.txt && "$kovex" -k blank.txt >b.txt || fail "NUL -k: status"
cmp -s a.txt b.txt || fail "-k: a NUL byte is not read as a blank"
grep -q '^keywords: ' a.txt || fail "-k writes no keywords: $(cat a.txt)"

# Failures: one line on standard error and a non-zero status.
"$kovex" lines.txt >/dev/full 2>err.txt; status=$?
expect_failure 1 'cannot write the results' "write to /dev/full"
"$kovex" sentence.txt >/dev/full 2>err.txt; status=$?
expect_failure 1 'cannot write the results' "short write to /dev/full"
"$kovex" -k sentence.txt >/dev/full 2>err.txt; status=$?
expect_failure 1 'cannot write the results' "-k write to /dev/full"
run missing.txt
expect_failure 1 'cannot open missing.txt' "missing FILE"
[ -s out.txt ] && fail "missing FILE: output written"
mkdir folder
run sentence.txt folder
expect_failure 1 'folder: it is a folder' "FILE that is a folder"
run -k folder
expect_failure 1 'it is a folder' "-k on a folder"
run -d "$work/nowhere"
expect_failure 1 "cannot start the engine on $work/nowhere/Data: Cannot Open Configure file" "data folder that does not start"
no_logs "failed start-up"
run --log /proc sentence.txt
expect_failure 1 'cannot write log files in /proc' "unwritable --log"
run --log "$work/missing-folder" sentence.txt
expect_failure 1 'cannot write log files' "missing --log folder"
mkdir logs
run --log logs -d "$work/nowhere"
expect_failure 1 'cannot start the engine' "--log with a data folder that does not start"
grep -q 'Cannot Open Configure file' logs/*.err || fail "--log: the error file lacks the start-up failure"
run -j 0
expect_failure 2 '-j needs a thread count' "-j 0"
run --bogus
expect_failure 2 'unknown option --bogus' "unknown option"
run -d
expect_failure 2 '-d needs a folder' "-d without a folder"
no_logs "the failures"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "kovex: all checks passed"
