#!/usr/bin/env bash
# tindral-render interrupted: SIGINT and SIGTERM remove the temporary file and
# say so on one line (after the progress line, on a terminal). (What SIGKILL
# leaves is removed by the next writer: file_test.)
#   interrupts.sh TINDRAL_RENDER WORKDIR
set -u
render=$(realpath "$1")
rm -rf "$2" && mkdir -p "$2" && cd "$2" || exit 1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# Long enough to be caught in the middle; started once its output is open.
start() {
  "$@" --size 4000x4000 --iterations 1000000 --rect -0.75,0.1,-0.74,0.09 out.bmp 2>err &
  pid=$!
  for _ in $(seq 200); do compgen -G 'out.bmp.tindral-tmp-*' >/dev/null && return; sleep 0.05; done
  fail "no temporary file appeared"
}

for sig in INT TERM; do
  echo precious >out.bmp
  start "$render"
  kill -s "$sig" "$pid"
  wait "$pid"
  code=$?
  [[ $code == $((128 + $(kill -l "$sig"))) ]] || fail "SIG$sig: exit code $code"
  [[ $(<err) == "tindral-render: interrupted; out.bmp left unchanged" ]] || fail "SIG$sig: $(<err)"
  [[ $(<out.bmp) == precious && $(ls) == $'err\nout.bmp' ]] || fail "SIG$sig left: $(ls)"
done

# On a terminal the progress bar is drawn after half a second; the message
# then starts a line of its own.
rm -f out.bmp
script -qec "$render --size 4000x4000 --iterations 1000000 --rect -0.75,0.1,-0.74,0.09 out.bmp & echo \$! >pid; wait" \
  /dev/null >tty &
for _ in $(seq 200); do grep -q '%' tty 2>/dev/null && break; sleep 0.05; done
kill -s INT "$(<pid)"
wait
[[ $(tr -d '\r' <tty) == *$'%\ntindral-render: interrupted; out.bmp left unchanged' ]] || fail "terminal: $(od -c tty)"
[[ ! -e out.bmp ]] || fail "terminal: out.bmp appeared"
