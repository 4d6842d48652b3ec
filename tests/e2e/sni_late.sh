#!/usr/bin/env bash
# Started before any StatusNotifier host, Tarnvel stays an XEmbed icon: the panel, once it
# appears, docks it like any XEmbed tray, and both buttons open the menu on their release.
source "$(dirname "$0")/sni_lib.sh"
set_mode 1024x768
mkdir -p "$(dirname "$INI")"
printf '[Settings]\nd1=800 x 600, 32bit color, 60 Hz\nd2=640 x 480, 32bit color, 60 Hz\n' >"$INI"
icon_gone() { ! xembed_docked; }

start_bus
# Qt logs its one choice between a StatusNotifier item and an XEmbed icon: the panel starts
# only once it is made.
STARTED=$(now_us)
QT_LOGGING_RULES='qt.qpa.tray.debug=true' "$TARNVEL_BIN" >"$WORK/tarnvel.log" 2>&1 &
TARNVEL_PID=$!
PIDS+=("$TARNVEL_PID")
wait_for 30 grep -q 'D-Bus tray available: false' "$WORK/tarnvel.log" ||
  fail "Qt did not choose an XEmbed icon: $(cat "$WORK/tarnvel.log")"
start_panel
wait_for 30 xembed_docked || fail "the icon did not dock in the panel: $(cat "$WORK/tarnvel.log")"
close_late_no_host_box "$STARTED"
item_name >/dev/null && fail "the program registered a StatusNotifier item as well"

# The right button: nothing on the press (no context menu of Qt's own), the menu on the release.
read -r x y < <(icon_point)
xdotool mousemove "$x" "$y" mousedown 3
sleep 1
menu_window && fail "a right press alone opened the menu"
host_menu_window && fail "a right press opened the panel's menu"
xdotool mouseup 3
wait_for 5 menu_window || fail "the right button's release did not open the menu"
import -window root "$E2E_OUT/sni-late.png"
choose "$M_PRESET2"
wait_for_size "640 x 480" "preset 2, chosen in the right button's menu,"

press_then_release
choose "$M_PRESET1"
wait_for_size "800 x 600" "preset 1, chosen in the left button's menu,"

open_menu
choose "$M_EXIT"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit did not end the program"
wait "$TARNVEL_PID" || fail "the program exited with $?"
wait_for 5 icon_gone || fail "the icon stayed in the panel after Exit"
echo "sni_late: screenshot at $E2E_OUT/sni-late.png"
