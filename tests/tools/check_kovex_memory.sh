#!/usr/bin/env bash
# The built driver when memory runs short, under a lowered address-space limit (ulimit -v) set
# relative to the driver's own size after start-up: a line too long to read, a line read but too
# long to copy, and a line the engine fails on each end with one error line naming the line,
# exit status 1, and the results of the lines before it written; threads that cannot start end
# with one error line too. Not run under the sanitizers,
# whose runtimes reserve more address space than any such limit.
#   check_kovex_memory.sh BUILD
source "$(dirname "$0")/kovex_checks.sh"
# One malloc arena: a thread's own arena would reserve 64 MB of address space at a moment that
# depends on the scheduling.
export MALLOC_ARENA_MAX=1

# The driver's address space after start-up with three workers (KB), as every run below has
# them: it waits on a FIFO until its reader, workers and writer run.
mkfifo idle
"$kovex" -j 3 <idle >/dev/null 2>&1 &
pid=$!
exec 3>idle
base=
for _ in $(seq 1 600); do
  if grep -q '^Threads:[[:space:]]*5$' "/proc/$pid/status" 2>/dev/null; then
    base=$(awk '/^VmSize:/ {print $2}' "/proc/$pid/status")
    break
  fi
  sleep 0.05
done
exec 3>&-
wait "$pid"
[ -n "$base" ] || { echo "FAIL: the driver's size after start-up not found"; exit 1; }

# Runs kovex on standard input, a pipe fed by the command $1, with the address space limited to
# the size after start-up plus $2 MB and the options after them; leaves standard output in
# out.txt and standard error in err.txt and sets $status.
run_limited() {
  local feed=$1 extra=$2
  shift 2
  eval "$feed" 2>/dev/null | (ulimit -v $((base + extra * 1024)) && exec timeout 60 "$kovex" -j 3 "$@") >out.txt 2>err.txt
  status=${PIPESTATUS[1]}
}
# The last run failed with status 1, one line on standard error matching $1, and $2 result lines.
expect() {
  local pattern=$1 lines=$2 what=$3
  [ "$status" -eq 1 ] || fail "$what: status $status, wanted 1: $(head -c 300 err.txt)"
  [ "$(wc -l <err.txt)" -eq 1 ] || fail "$what: standard error holds $(wc -l <err.txt) lines: $(head -c 300 err.txt)"
  grep -q -- "$pattern" err.txt || fail "$what: standard error lacks '$pattern': $(head -c 300 err.txt)"
  [ "$(wc -l <out.txt)" -eq "$lines" ] || fail "$what: $(wc -l <out.txt) result lines, wanted $lines"
  [ "$lines" -eq 0 ] || grep -q '^第一/m 行/q' out.txt || fail "$what: the first line's result is missing: $(head -c 300 out.txt)"
}
long_line() { printf '第一行\n'; head -c "$1" /dev/zero | tr '\0' a; printf '\n第三行\n'; }

# A line of 128 MB with 48 MB to spare: getline itself runs out of memory (not the end of the file).
run_limited "long_line 134217728" 48
expect 'cannot read line 2 of standard input: Cannot allocate memory' 1 "a line getline cannot hold"
run_limited "long_line 134217728" 48 -k
expect 'cannot read line 2 of standard input: Cannot allocate memory' 0 "-k: a line getline cannot hold"

# A line of 100 MB with 176 MB to spare: getline's buffer (126 MB) fits, its copy does not, and
# the std::bad_alloc in the reader becomes its error line.
run_limited "long_line 104857600" 176
expect 'cannot read line 2 of standard input: Cannot allocate memory' 1 "a line read but not copied"

# A line of 5,200,000 中 (15.6 MB) with 60 MB to spare: reading it takes 31 MB (getline's buffer
# and the line), but its tagged result (some 2 bytes per input byte) and the driver's copy of it
# do not fit beside that, whatever else the engine needs, so the engine fails on it; no result
# after it is written, whichever worker finishes first.
fails_in_engine() {
  printf '第一行\n第二行\n第三行\n第四行\n第五行\n'
  yes 中 | head -n 5200000 | tr -d '\n'
  printf '\n第七行\n第八行\n'
}
run_limited fails_in_engine 60
expect 'cannot process line 6 of standard input: the engine failed on it' 5 "a line the engine fails on"
sed -n '5p' out.txt | grep -q '^第五/m 行/q' || fail "the fifth result is not the fifth line's: $(cat out.txt)"

# 1024 workers whose stacks (8 MB each) do not fit in 500 MB: the thread that cannot start is an
# error line, not an abort.
run_limited "printf '今天很好\\n'" 500 -j 1024
expect 'cannot start the threads: ' 0 "threads that cannot start"

finish "kovex under memory limits"
