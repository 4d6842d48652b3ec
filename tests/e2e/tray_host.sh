#!/usr/bin/env bash
# The tray host goes away and comes back: the icon docks again and works. Without a tray host
# the program says so after 10 s and runs on; a tray host that appears later, after that box or
# before it is due, gets the icon.
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
# The program without a tray host has started once it holds its claim on the X server and
# waits in its event loop; $1 names its log.
start_without_host() {
  STARTED=$(now_us)
  "$TARNVEL_BIN" >"$WORK/$1" 2>&1 &
  TARNVEL_PID=$!
  PIDS+=("$TARNVEL_PID")
  wait_for 15 idle || fail "the program did not reach its event loop without a tray host: $(cat "$WORK/$1")"
}
idle() {
  bounded "$X_TIMEOUT" "$SELECTION_OWNER" "_TARNVEL_INSTANCE_U$(id -u)" >/dev/null &&
    grep -q poll "/proc/$TARNVEL_PID/wchan"
}
since_start_ms() { echo $((($(now_us) - STARTED) / 1000)); }
exits_by_menu() {
  open_menu
  choose "$M_EXIT"
  wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program"
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
exits_by_menu
stop_tray_host

# No tray host at all: after about 10 s one box says so, and the program runs on. A tray host
# started after the box was closed gets the icon.
start_without_host no-host.log
wait_for 40 program_box || fail "no box $(since_start_ms) ms after a start without a tray host"
shown_ms=$(since_start_ms)
[ "$shown_ms" -ge 9500 ] || fail "the box that no tray host was found came after $shown_ms ms, not after 10 s"
import -window root "$E2E_OUT/tray-host-none.png"
import -window "$(program_box)" "$E2E_OUT/tray-host-none-box.png"
close_program_box
running || fail "the program ended when the box was closed: $(cat "$WORK/no-host.log")"
start_tray_host
TRAY_PID=${PIDS[-1]}
wait_for 15 icon_docked || fail "the icon did not dock in a tray host started after the box"
switches_to "$M_PRESET2" "1024 x 768"
exits_by_menu
stop_tray_host

# A tray host that starts 3 s after the program gets the icon, and no box comes. The call that
# would have shown it is dropped: the docked program does not wake up when the 10 s are over.
switches() { cat /proc/"$TARNVEL_PID"/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
start_without_host late.log
sleep "$(awk -v ms="$(since_start_ms)" 'BEGIN {s = 3 - ms / 1000; print (s > 0 ? s : 0)}')"
start_tray_host
TRAY_PID=${PIDS[-1]}
wait_for 15 icon_docked || fail "the icon did not dock in a tray host started 3 s late"
docked_ms=$(since_start_ms)
# Docked, the icon is drawn and placed; then the program is idle.
settled() {
  local before
  before=$(switches)
  sleep 0.5
  [ "$(switches)" = "$before" ]
}
wait_for 10 settled || fail "the program did not go idle within 10 s of docking its icon"
from_ms=$(since_start_ms) before=$(switches)
sleep "$(awk -v ms="$from_ms" 'BEGIN {s = 14 - ms / 1000; print (s > 1 ? s : 1)}')"
after=$(switches) until_ms=$(since_start_ms)
no_program_box || fail "a box came although the icon docked $docked_ms ms after the start"
if [ "$from_ms" -lt 9500 ]; then
  [ "$after" -eq "$before" ] ||
    fail "the docked program woke $((after - before)) times between $from_ms and $until_ms ms after its start"
  wakeups="no wake-up from $from_ms to $until_ms ms after the start"
else
  wakeups="wake-ups not counted: the program was idle only $from_ms ms after the start"
fi
import -window root "$E2E_OUT/tray-host-late.png"
switches_to "$M_PRESET3" "800 x 600"
exits_by_menu
echo "tray_host: the icon docked again after two tray host restarts; without a tray host the box came" \
  "after $shown_ms ms and a tray host started afterwards got the icon; trayer 3 s late docked it" \
  "after $docked_ms ms, no box, $wakeups"
