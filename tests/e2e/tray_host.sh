#!/usr/bin/env bash
# The tray host goes away and comes back: the icon docks again and works. A tray host that
# appears only after the program started gets the icon too.
source "$(dirname "$0")/lib.sh"
set_mode 1024x768

stop_tray_host() {
  kill "$TRAY_PID"
  wait "$TRAY_PID" 2>/dev/null || true
  wait_for 5 bash -c '! xdotool search --classname panel' || fail "the tray host did not go away"
}
switches_to() {  # $1: menu position, $2: the size it switches to
  open_menu
  choose "$1"
  wait_for 5 bash -c "[ \"\$(xrandr | sed -n 's/.*current \([0-9]* x [0-9]*\),.*/\1/p')\" = '$2' ]" ||
    fail "the menu did not switch to $2: $(current_size)"
}

start_tray_host
TRAY_PID=${PIDS[-1]}
start_tarnvel
for round in 1 2; do
  stop_tray_host
  running || fail "round $round: the program ended with its tray host"
  start_tray_host
  TRAY_PID=${PIDS[-1]}
  wait_for 15 icon_docked || fail "round $round: the icon did not dock in the new tray host"
done
switches_to "$M_PRESET3" "800 x 600"
open_menu
choose "$M_EXIT"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program"
stop_tray_host

# No tray host at all when the program starts. It is ready once it holds its claim on the
# X server and waits in its event loop.
"$TARNVEL_BIN" >"$WORK/late.log" 2>&1 &
TARNVEL_PID=$!
PIDS+=("$TARNVEL_PID")
idle() {
  bounded "$X_TIMEOUT" "$SELECTION_OWNER" "_TARNVEL_INSTANCE_U$(id -u)" >/dev/null &&
    grep -q poll "/proc/$TARNVEL_PID/wchan"
}
wait_for 15 idle || fail "the program did not reach its event loop without a tray host: $(cat "$WORK/late.log")"
running || fail "the program ended without a tray host: $(cat "$WORK/late.log")"
start_tray_host
TRAY_PID=${PIDS[-1]}
wait_for 15 icon_docked || fail "the icon did not dock in a tray host that came later"
import -window root "$E2E_OUT/tray-host-late.png"
switches_to "$M_PRESET2" "1024 x 768"
open_menu
choose "$M_EXIT"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program"
echo "tray_host: the icon docked again after two tray host restarts and in a tray host that came later"
