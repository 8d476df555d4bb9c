#!/usr/bin/env bash
# Ends the real program with a termination signal, many times over, and counts how it ended.
# Each run starts build/tesselor under Xvfb on a fresh database, connects through Ctrl+O and
# the login dialog (Enter), waits until the database file is open, sends the signal and waits
# for the process to end. A run counts as ended when the program exits 0 within 15 s with the
# history written; every step is bounded, and so is the whole loop (MAX_SECONDS).
#
#   scripts/signal-ends.sh [RUNS [SIGNAL]]      defaults: 200 TERM
#   environment: TESSELOR_BIN (program), SIGNAL_DISPLAY (default :90), MAX_SECONDS (3600)
set -u
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN=${TESSELOR_BIN:-$ROOT/build/tesselor}
RUNS=${1:-200}
SIG=${2:-TERM}
DISP=${SIGNAL_DISPLAY:-:90}
MAX_SECONDS=${MAX_SECONDS:-3600}

work=$(mktemp -d /tmp/signal-ends-XXXXXX)
if xdpyinfo -display "$DISP" >/dev/null 2>&1; then
  echo "display $DISP is taken" >&2
  exit 2
fi
Xvfb "$DISP" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# The runs write the history kept beside the program: the one there before is put back at the end.
history=$(dirname "$BIN")/connect.hst
[ -e "$history" ] && cp -p "$history" "$work/history.saved"
restore_history() { if [ -e "$work/history.saved" ]; then cp -p "$work/history.saved" "$history"; else rm -f "$history"; fi; }
trap 'kill "$xvfb" 2>/dev/null; restore_history; rm -rf "$work"' EXIT
export DISPLAY=$DISP XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
db=$work/signal.fdb
echo "CREATE DATABASE '$db';" | isql-fb -q -user SYSDBA >/dev/null
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Waits (bounded, polling) until the command succeeds.
until_ok() {
  local tries=$1
  shift
  for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
db_open() { ls -l "/proc/$1/fd" 2>/dev/null | grep -q -- "$db"; }
login_shown() { xdotool search --onlyvisible --name '^Database login$'; }
login_gone() { ! login_shown; }
gone() { [ ! -e "/proc/$1" ] || grep -q '^[0-9]* (.*) Z' "/proc/$1/stat"; }  # exited (a zombie until waited for)

ended=0 hung=0 failed=0 unconnected=0 nohistory=0
start=$SECONDS
for run in $(seq "$RUNS"); do
  [ $((SECONDS - start)) -lt "$MAX_SECONDS" ] || { echo "stopped after $((run - 1)) runs: time is up"; break; }
  rm -f "$history"
  "$BIN" "$db" >"$work/out.txt" 2>&1 &
  pid=$!
  win=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZUL DB Tesselor for IB$' 2>/dev/null | head -1)
  # A window just mapped may not take keys yet: press again until the login dialog is up,
  # then Enter until it has gone.
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    [ -n "$win" ] || break
    xdotool mousemove --window "$win" 200 300 click 1 key ctrl+o
    until_ok 20 login_shown && break
  done
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    login_shown >/dev/null 2>&1 || break
    xdotool key Return
    until_ok 20 login_gone && break
  done
  if ! until_ok 200 db_open "$pid"; then
    unconnected=$((unconnected + 1))
  fi
  kill -s "$SIG" "$pid"
  if until_ok 150 gone "$pid"; then
    wait "$pid"
    rc=$?
    if [ "$rc" -ne 0 ]; then
      failed=$((failed + 1))
      echo "run $run: exit status $rc"
    elif [ "$(head -1 "$history" 2>/dev/null | tr -d '\r')" != "$db" ]; then
      nohistory=$((nohistory + 1))
      echo "run $run: history holds: $(head -c 200 "$history" 2>/dev/null); output: $(tail -c 300 "$work/out.txt")"
    else
      ended=$((ended + 1))
    fi
  else
    hung=$((hung + 1))
    echo "run $run: still running 15 s after SIG$SIG"
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null
  fi
done
echo "SIG$SIG: $ended ended as asked, $hung hung, $failed failed, $nohistory without history;" \
  "$unconnected not connected when signalled; $((SECONDS - start)) s"
[ "$ended" -eq "$RUNS" ]
