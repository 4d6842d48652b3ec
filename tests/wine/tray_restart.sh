#!/usr/bin/env bash
# Under Wine: when the notification area goes away and a new one is announced with
# "TaskbarCreated", the icon docks again and its menu works.
source "$(dirname "$0")/../e2e/lib.sh"
set_mode 1024x768
wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true
start_tray_host
start_tarnvel

for round in 1 2; do
  wine "$SHELL_POKE" remove-icon || fail "round $round: the icon could not be removed"
  wait_for 10 bash -c '! icon_docked' || fail "round $round: the removed icon stayed docked"
  wine "$SHELL_POKE" taskbar-created || fail "round $round: no broadcast"
  wait_for 10 icon_docked || fail "round $round: the icon did not come back after TaskbarCreated"
done
import -window root "$E2E_OUT/wine-tray-restart.png"

open_menu
choose "$M_PRESET3"  # 800 x 600, 32bit color, 60 Hz
wait_for 5 bash -c '[ "$(xrandr | sed -n "s/.*current \([0-9]* x [0-9]*\),.*/\1/p")" = "800 x 600" ]' ||
  fail "the menu of the icon that came back did not switch to 800 x 600: $(current_size)"
open_menu
choose "$M_EXIT"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program"
wait_for 5 bash -c '! icon_docked' || fail "the icon stayed after Exit"
set_mode 1024x768
echo "wine: the icon came back twice after TaskbarCreated and its menu switched the mode and ended the program"
