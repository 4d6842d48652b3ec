#!/usr/bin/env bash
# One instance per user and X server, however DISPLAY is spelled and whether XDG_RUNTIME_DIR
# is set: a second start ends at once with exit code 0 and shows nothing, and the first keeps
# its one icon. A killed instance leaves nothing behind; of ten starts at one moment, one runs.
source "$(dirname "$0")/lib.sh"
N=${DISPLAY#:}
SPELLINGS=(":$N" ":$N.0" "unix:$N")
# The running instance holds this X selection; the server drops it with the connection.
CLAIM=_TARNVEL_INSTANCE_U$(id -u)
claimed() { bounded "$X_TIMEOUT" "$SELECTION_OWNER" "$CLAIM"; }
unclaimed() {  # exit code 1 alone means no owner; a timeout or a lost server is no answer
  local code=0
  claimed >/dev/null || code=$?
  [ "$code" -eq 1 ]
}

# The environment of a start with DISPLAY spelled $1, with XDG_RUNTIME_DIR or without
# ($2: set|unset), for env. Started through env, the program is the process that $! names
# and that the clean-up ends; a shell function in the background would leave it orphaned.
env_of() {
  ENV=(DISPLAY="$1")
  [ "$2" = set ] || ENV=(-u XDG_RUNTIME_DIR "${ENV[@]}")
}

start_tray_host
start_tarnvel
wait_for 5 claimed || fail "the running instance holds no $CLAIM selection"

for spelling in "${SPELLINGS[@]}"; do
  for runtime in set unset; do
    what="DISPLAY=$spelling, XDG_RUNTIME_DIR $runtime"
    start=${EPOCHREALTIME//[!0-9]/}
    code=0
    env_of "$spelling" "$runtime"
    bounded 10 env "${ENV[@]}" "$TARNVEL_BIN" >"$WORK/second.log" 2>&1 || code=$?
    elapsed=$(((${EPOCHREALTIME//[!0-9]/} - start) / 1000))
    [ "$code" -ne 124 ] || fail "$what: the second start was still running after 10 s"
    [ "$code" -eq 0 ] || fail "$what: the second start exited with $code: $(cat "$WORK/second.log")"
    [ "$elapsed" -lt 3000 ] || fail "$what: the second start took $elapsed ms"
    [ "$(icon_count)" = 1 ] || fail "$what: $(icon_count) icons instead of one"
    running || fail "$what: the first instance ended"
    echo "instance: $what: the second start ended after $elapsed ms"
  done
done
open_menu
choose 1

# Killed, the instance leaves nothing that blocks the next start.
kill -9 "$TARNVEL_PID"
reap "$TARNVEL_PID" 10 "the killed instance"
wait_for 5 unclaimed || fail "the killed instance's $CLAIM selection is still owned"
wait_for 5 no_icon || fail "the icon stayed after the program was killed"

# Ten starts at one moment, with every spelling, with and without XDG_RUNTIME_DIR.
starts=()
for i in $(seq 0 9); do
  runtime=set
  [ $((i % 2)) -eq 0 ] || runtime=unset
  env_of "${SPELLINGS[i % 3]}" "$runtime"
  env "${ENV[@]}" "$TARNVEL_BIN" >>"$WORK/ten.log" 2>&1 &
  starts+=($!)
  PIDS+=($!)
done
alive() {
  local pid n=0
  for pid in "${starts[@]}"; do kill -0 "$pid" 2>/dev/null && n=$((n + 1)); done
  echo "$n"
}
at_most_one() { [ "$(alive)" -le 1 ]; }
wait_for 30 at_most_one || fail "$(alive) of ten simultaneous starts still run after 30 s"
wait_for 30 icon_docked || fail "none of ten simultaneous starts docked an icon: $(cat "$WORK/ten.log")"
[ "$(alive)" -eq 1 ] || fail "$(alive) of ten simultaneous starts run"
[ "$(icon_count)" = 1 ] || fail "$(icon_count) icons after ten simultaneous starts"
claimed >/dev/null || fail "the survivor holds no $CLAIM selection"
for pid in "${starts[@]}"; do
  if kill -0 "$pid" 2>/dev/null; then
    TARNVEL_PID=$pid
  else
    reap "$pid" 1 "a second start"
    [ "$REAPED" -eq 0 ] || fail "a second start among the ten exited with $REAPED: $(cat "$WORK/ten.log")"
  fi
done
open_menu
import -window root "$E2E_OUT/instance.png"
choose 1
running || fail "the survivor ended"
# Ended, the survivor hands the claim back: no copy of the ten is left over.
kill "$TARNVEL_PID"
reap "$TARNVEL_PID" 10 "the survivor, sent SIGTERM,"
wait_for 5 unclaimed || fail "the $CLAIM selection is still held after the survivor ended: a copy is left running"
echo "instance: one of ten simultaneous starts runs; screenshot at $E2E_OUT/instance.png"
