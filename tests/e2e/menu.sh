#!/usr/bin/env bash
# The icon docks; a press alone opens nothing, the release opens the menu; either button.
source "$(dirname "$0")/lib.sh"
set_mode 1024x768
start_tray_host
start_tarnvel

read -r x y < <(icon_point)
xdotool mousemove "$x" "$y" mousedown 1
sleep 1
menu_window && fail "a press alone opened the menu"
xdotool mouseup 1
wait_for 5 menu_window || fail "the release did not open the menu"
import -window root "$E2E_OUT/menu.png"
choose 1  # (Cancel)
running || fail "(Cancel) ended the program"
editor_window && fail "(Cancel) showed the window"

open_menu 3
xdotool key Escape
wait_for 5 menu_closed || fail "Escape did not close the menu"
[ "$(current_size)" = "1024 x 768" ] || fail "the mode changed"
echo "menu: screenshot at $E2E_OUT/menu.png"
