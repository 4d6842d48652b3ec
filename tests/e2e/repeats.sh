#!/usr/bin/env bash
# Drivers list a mode twice when the two differ only where the mode text does not look. The
# editor shows such a run once, and must still open on the mode in force: ">" then OK stores it.
source "$(dirname "$0")/lib.sh"
# Two 1280 x 1024 modes at 60 Hz with other sync polarities, then the mode started in; modes
# added by hand come after the driver's own.
added=(repeatA repeatB start1000)
remove_modes() {
  set_mode 1024x768 || true
  for mode in "${added[@]}"; do
    xrandr --delmode DUMMY0 "$mode" 2>/dev/null || true
    xrandr --rmmode "$mode" 2>/dev/null || true
  done
}
remove_modes  # left over by a run that was killed
trap 'remove_modes; cleanup' EXIT
xrandr --newmode repeatA 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync
xrandr --newmode repeatB 108.00 1280 1328 1440 1688 1024 1025 1028 1066 -hsync -vsync
xrandr --newmode start1000 65.00 1000 1048 1184 1344 700 771 777 806 -hsync -vsync
for mode in "${added[@]}"; do xrandr --addmode DUMMY0 "$mode"; done
set_mode start1000
start_tray_host
start_tarnvel

open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
click_copy 1  # the row the editor opened on
click_ok
wait_for 5 grep -q '^d1=' "$INI" || fail "OK wrote no d1: $(cat "$INI" 2>/dev/null)"
grep -q '^d1=1000 x 700, 32bit color, 60 Hz$' "$INI" ||
  fail "the editor did not open on the start-up mode 1000 x 700: $(cat "$INI")"
echo "repeats: the editor opened on the start-up mode after a repeated row"
