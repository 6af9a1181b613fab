#!/usr/bin/env bash
# tindral-render interrupted: every signal that ends a process removes the
# temporary file and says so on one line (after the progress line, on a
# terminal), while computing and while writing; a FIFO says what it waits
# for. (What SIGKILL leaves is removed by the next writer: file_test.)
#   interrupts.sh TINDRAL_RENDER WORKDIR
set -u
# Background jobs in a process group of their own, as in a terminal: a
# script's background jobs would otherwise ignore SIGINT and SIGQUIT.
set -m
render=$(realpath "$1")
rm -rf "$2" && mkdir -p "$2" && cd "$2" || exit 1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
temporary() { compgen -G 'out.bmp.tindral-tmp-*'; }
# Started once its output is open; "$@" are the picture's options.
start() {
  echo precious >out.bmp
  "$render" "$@" out.bmp 2>err &
  pid=$!
  for _ in $(seq 400); do temporary >/dev/null && return; sleep 0.025; done
  fail "no temporary file appeared"
}
# The run ended by signal $1 (exit code $2) with the old file intact and
# nothing beside it.
unchanged() {
  local code=$2
  [[ $code == $((128 + $(kill -l "$1"))) ]] || fail "SIG$1: exit code $code"
  [[ $(<err) == "tindral-render: interrupted; out.bmp left unchanged" ]] || fail "SIG$1: $(<err)"
  [[ $(<out.bmp) == precious && $(ls) == $'err\nout.bmp' ]] || fail "SIG$1 left: $(ls)"
}
expect_unchanged() {
  wait "$pid"
  unchanged "$1" $?
}
long=(--size 4000x4000 --iterations 1000000 --rect -0.75,0.1,-0.74,0.09)

for sig in HUP INT QUIT TERM USR1 USR2 ALRM VTALRM PROF XCPU IO PWR RTMIN RTMAX; do
  start "${long[@]}"
  kill -s "$sig" "$pid"
  expect_unchanged "$sig"
done

# While the bytes are written: signalled the moment the temporary file has
# some. (Should the write finish first, the picture was written and says so:
# then again.)
for attempt in 1 2 3 4 5; do
  start --size 4000x4000 --iterations 1 --threads 1
  tmp=$(temporary)
  while [[ ! -s $tmp ]]; do :; done
  kill -s TERM "$pid"
  wait "$pid"
  code=$?
  [[ $(<err) == *"out.bmp was written" ]] || break
  ((attempt < 5)) || fail "never caught during the write"
done
unchanged TERM $code

# A signal ignored from the start (nohup) stays ignored.
(
  trap '' HUP
  exec "$render" "${long[@]}" out.bmp 2>err
) &
pid=$!
for _ in $(seq 400); do temporary >/dev/null && break; sleep 0.025; done
kill -s HUP "$pid"
sleep 0.2
kill -0 "$pid" 2>/dev/null || fail "an ignored SIGHUP ended the render"
kill -s TERM "$pid"
expect_unchanged TERM

# A file past the size limit fails its write with a message.
echo precious >out.bmp
(
  ulimit -f 8
  "$render" --size 200x200 out.bmp 2>err
)
code=$?
[[ $code == 1 && $(<err) == "tindral-render: cannot write out.bmp: File too large" ]] || fail "size limit: $code $(<err)"
[[ $(<out.bmp) == precious && $(ls) == $'err\nout.bmp' ]] || fail "size limit left: $(ls)"

# A FIFO without a reader says so after a second, then takes the picture
# when one comes; a palette FIFO without a writer says so too, and Ctrl-C
# still ends the wait.
rm -f out.bmp && mkfifo fifo
"$render" fifo 2>err &
pid=$!
sleep 1.5
[[ $(<err) == "tindral-render: waiting for a reader on fifo" ]] || fail "FIFO: $(<err)"
[[ $(wc -c <fifo) == 14764 ]] || fail "FIFO: not the whole picture"
wait "$pid" || fail "FIFO: exit code $?"
"$render" --palette fifo out.bmp 2>err &
pid=$!
sleep 1.5
[[ $(<err) == "tindral-render: waiting for a writer on fifo" ]] || fail "palette FIFO: $(<err)"
kill -s INT "$pid"
wait "$pid"
[[ $? == 130 && $(tail -n 1 err) == "tindral-render: interrupted; out.bmp left unchanged" ]] || fail "palette FIFO: $(<err)"
rm -f fifo err
[[ -z $(ls) ]] || fail "FIFO runs left: $(ls)"

# On a terminal the progress bar is drawn after half a second; the message
# then starts a line of its own.
script -qec "set -m; $render ${long[*]} out.bmp & echo \$! >pid; wait" /dev/null >tty &
for _ in $(seq 200); do grep -q '%' tty 2>/dev/null && break; sleep 0.05; done
kill -s INT "$(<pid)"
wait
# (The shell's own report of the job may follow.)
[[ $(tr -d '\r' <tty) == *$'%\ntindral-render: interrupted; out.bmp left unchanged'* ]] || fail "terminal: $(od -c tty)"
[[ ! -e out.bmp ]] || fail "terminal: out.bmp appeared"
