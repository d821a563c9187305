#!/usr/bin/env bash
# The built driver as a user runs it: options and --help, the engine's own data found without -d
# (parts of speech, no sentiment weights), results in input order with -j 8 as with -j 1, NUL
# bytes, FIFOs and /dev/stdin, the warning on GBK text read as UTF-8, and every failure as one
# line on standard error with a non-zero status, no log file left in the working directory.
# check_kovex_memory.sh runs it short of memory.
#   check_kovex.sh BUILD
source "$(dirname "$0")/kovex_checks.sh"

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
for want in '-j N' '-k' 'into memory' '--log DIR' 'NUL byte' '--stats' 'standard error' 'in pieces'; do
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

# A line of 3 MB (read, processed and written in pieces) between short lines: one result line for
# each, in input order under -j 8 as under -j 1; a NUL byte in it is a blank there too.
{ head -n 5 lines.txt; for i in $(seq 1 40000); do printf '北京今天天气很好。'; done; printf '\0end\n'; tail -n 5 lines.txt; } >long.txt
"$kovex" -j 1 long.txt >one.txt 2>err.txt || fail "long line -j 1: $(cat err.txt)"
"$kovex" -j 8 <long.txt >eight.txt 2>err.txt || fail "long line -j 8: $(cat err.txt)"
cmp -s one.txt eight.txt || fail "long line: -j 8 differs from -j 1"
[ "$(wc -l <one.txt)" -eq 11 ] || fail "long line: $(wc -l <one.txt) result lines for 11"
[ "$(sed -n '6p' one.txt | grep -o '天气/n' | wc -l)" -eq 40000 ] || fail "long line: not every sentence in its result"
sed -n '6p' one.txt | grep -q '。  *end/' || fail "long line: the NUL byte is not a blank: $(sed -n '6p' one.txt | tail -c 80)"
[ "$(sed -n '7p' one.txt)" = "$(tail -n 5 lines.txt | head -n 1 | "$kovex")" ] || fail "long line: the line after it is not its own"

# A NUL byte is a blank, in line mode and in -k mode, from a file and from standard input.
printf '北京是中国的首都\0今天天气很好\n' >nul.txt
printf '北京是中国的首都 今天天气很好\n' >blank.txt
"$kovex" nul.txt >a.txt && "$kovex" <blank.txt >b.txt || fail "NUL: status"
cmp -s a.txt b.txt || fail "line mode: a NUL byte is not read as a blank: $(cat a.txt)"
"$kovex" -k <nul.txt >a.txt && "$kovex" -k blank.txt >b.txt || fail "NUL -k: status"
cmp -s a.txt b.txt || fail "-k: a NUL byte is not read as a blank"
grep -q '^keywords: ' a.txt || fail "-k writes no keywords: $(cat a.txt)"

# A FIFO, /dev/stdin and a process substitution read like files: each file is opened once, so a
# FIFO whose writer has gone does not hang. The FIFO's writer waits in the background; it is
# ended by its id should kovex never open the FIFO.
printf '今天很好\n' >good.txt
"$kovex" good.txt >want.txt 2>err.txt || fail "good.txt: $(cat err.txt)"
for opt in "" -k; do
  rm -f fifo && mkfifo fifo
  cat good.txt >fifo &
  feeder=$!
  timeout 20 "$kovex" $opt fifo >out.txt 2>err.txt; status=$?
  kill "$feeder" 2>/dev/null; wait "$feeder" 2>/dev/null
  [ "$status" -eq 0 ] || fail "FIFO${opt:+ with $opt}: status $status: $(cat err.txt)"
  grep -q '今天' out.txt || fail "FIFO${opt:+ with $opt}: no result: $(cat out.txt)"
done
timeout 20 "$kovex" /dev/stdin <good.txt >out.txt 2>err.txt || fail "/dev/stdin: $(cat err.txt)"
cmp -s want.txt out.txt || fail "/dev/stdin differs from the file: $(cat out.txt)"
cat good.txt | timeout 20 "$kovex" - /dev/stdin >out.txt 2>err.txt || fail "a pipe as - and /dev/stdin: $(cat err.txt)"
cmp -s want.txt out.txt || fail "a pipe as - then /dev/stdin: $(cat out.txt)"
timeout 20 "$kovex" <(cat good.txt) >out.txt 2>err.txt || fail "process substitution: $(cat err.txt)"
cmp -s want.txt out.txt || fail "process substitution differs from the file: $(cat out.txt)"

# The command line: -- ends the options; --stats counts the lines under -k too.
cp good.txt ./-t
"$kovex" -- -t good.txt - <good.txt >out.txt 2>err.txt || fail "-- -t: $(cat err.txt)"
[ "$(wc -l <out.txt)" -eq 3 ] && [ "$(grep -c '今天' out.txt)" -eq 3 ] || fail "-- -t good.txt -: $(cat out.txt)"
"$kovex" -k --stats lines.txt >out.txt 2>stats.txt || fail "-k --stats: $(cat stats.txt)"
grep -q 'start-up .* 3000 lines, ' stats.txt || fail "-k --stats does not count the lines: $(cat stats.txt)"
"$kovex" -e 5 good.txt >out.txt 2>err.txt || fail "-e 5: $(cat err.txt)"

# GBK text read as UTF-8 (codes 1 and 4): the output as before, one warning naming the first line
# that is not UTF-8 and the options that read it; none under -e 0 or -e -1.
printf '北京\n\xbd\xf1\xcc\xec\xba\xdc\xba\xc3\n\xb1\xb1\xbe\xa9\n' >gbk.txt  # 北京 (UTF-8), 今天很好, 北京 (GBK)
for code in 1 4; do
  "$kovex" -e "$code" good.txt gbk.txt >out.txt 2>err.txt; status=$?
  [ "$status" -eq 0 ] || fail "GBK under -e $code: status $status"
  [ "$(wc -l <out.txt)" -eq 4 ] || fail "GBK under -e $code: $(wc -l <out.txt) result lines"
  [ "$(wc -l <err.txt)" -eq 1 ] || fail "GBK under -e $code: $(wc -l <err.txt) lines on standard error: $(cat err.txt)"
  grep -q 'warning: line 2 of gbk.txt is not valid UTF-8.*-e 0.*-e -1' err.txt || fail "GBK under -e $code: $(cat err.txt)"
done
"$kovex" -k gbk.txt >/dev/null 2>err.txt && grep -q 'line 2 of gbk.txt' err.txt || fail "GBK under -k: $(cat err.txt)"
# The edges of UTF-8: after lines of the shortest and longest forms of each length (U+0080,
# U+0800, U+D7FF, U+E000, U+FFFF, U+10000, U+10FFFF and 😀) no warning; each malformed line after
# them (overlong, surrogate, past U+10FFFF, a stray continuation byte, a character cut short
# inside or at the end of the line) is named.
printf '\xc2\x80 \xe0\xa0\x80 \xed\x9f\xbf \xee\x80\x80 \xef\xbf\xbf\n\xf0\x90\x80\x80 \xf4\x8f\xbf\xbf 😀\n' >edges.txt
"$kovex" edges.txt >/dev/null 2>err.txt || fail "UTF-8 edges: status"
[ -s err.txt ] && fail "UTF-8 edges: a warning: $(cat err.txt)"
for bad in '\xc0\x80' '\xc1\xbf' '\xe0\x9f\xbf' '\xed\xa0\x80' '\xf0\x8f\xbf\xbf' '\xf4\x90\x80\x80' '\xf5\x80\x80\x80' \
           '\x80' 'a\xbfb' '中\xe4\xb8' 'a\xe4\xb8中' '\xf0\x9f\x98'; do
  { cat edges.txt; printf "${bad}\\n"; } >bad.txt
  "$kovex" bad.txt >/dev/null 2>err.txt || fail "malformed UTF-8 $bad: status"
  grep -q 'warning: line 3 of bad.txt is not valid UTF-8' err.txt || fail "malformed UTF-8 $bad: $(cat err.txt)"
done
for code in 0 -1; do
  "$kovex" -e "$code" gbk.txt >out.txt 2>err.txt || fail "GBK under -e $code: $(cat err.txt)"
  [ -s err.txt ] && fail "GBK under -e $code: a warning: $(cat err.txt)"
  [ "$code" = 0 ] && want=$'\xbd\xf1\xcc\xec/t' || want='今天/t'  # GBK results under 0, UTF-8 under -1
  LC_ALL=C grep -qF "$want" out.txt || fail "GBK under -e $code: 今天 is not found"
done

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
run -d ""
expect_failure 2 '-d needs a folder' "-d with an empty folder name"
run --log "" sentence.txt
expect_failure 2 '--log needs a folder' "--log with an empty folder name"
for code in 7 9 -2 x; do
  run -e "$code" sentence.txt
  expect_failure 2 '-e needs an encoding code from -1 to 5' "-e $code"
done
run -- missing.txt
expect_failure 1 'cannot open missing.txt' "-- missing.txt"
no_logs "the failures"

finish "kovex"
