#!/usr/bin/env bash
# The built driver when memory runs short, under a lowered address-space limit (ulimit -v) set
# relative to the driver's own size after start-up: a line the engine cannot take (one English
# token of 128 MB) ends with one error line naming the line, exit status 1, and the results of the
# lines before it written, and so does a document too long to read under -k; a line of 15.6 MB
# without sentence end is processed in pieces within 60 MB; threads that cannot start end with one
# error line too. Not run under the sanitizers,
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

# A line of 128 MB of one English token with 48 MB to spare: it is read in parts, but a line
# judged English is cut only between tokens, so this one goes to the engine whole and cannot.
run_limited "long_line 134217728" 48
expect 'cannot process line 2 of standard input: Cannot allocate memory' 1 "one token of 128 MB"
run_limited "long_line 134217728" 48 -k
expect 'cannot read line 2 of standard input: Cannot allocate memory' 0 "-k: a line getline cannot hold"

# A line of 5,200,000 中 (15.6 MB) with 60 MB to spare: read, processed and written in pieces, so
# it fits whatever its length (processed whole it needed some 2 bytes of result per input byte and
# the line itself twice); every line's result comes, in order.
fits_in_pieces() {
  printf '第一行\n第二行\n第三行\n第四行\n第五行\n'
  yes 中 | head -n 5200000 | tr -d '\n'
  printf '\n第七行\n第八行\n'
}
run_limited fits_in_pieces 60
[ "$status" -eq 0 ] || fail "a long line in pieces: status $status: $(head -c 300 err.txt)"
[ "$(wc -l <out.txt)" -eq 8 ] || fail "a long line in pieces: $(wc -l <out.txt) result lines, wanted 8"
sed -n '6p' out.txt | grep -q '^中/' || fail "the sixth result is not the long line's: $(sed -n '6p' out.txt | head -c 100)"
sed -n '8p' out.txt | grep -q '^第八/m 行/q' || fail "the eighth result is not the eighth line's: $(sed -n '8p' out.txt)"

# 1024 workers whose stacks (8 MB each) do not fit in 500 MB: the thread that cannot start is an
# error line, not an abort.
run_limited "printf '今天很好\\n'" 500 -j 1024
expect 'cannot start the threads: ' 0 "threads that cannot start"

finish "kovex under memory limits"
