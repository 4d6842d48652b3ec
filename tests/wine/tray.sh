#!/usr/bin/env bash
# The Windows program under Wine: the icon docks; press opens nothing and release opens the
# menu; a preset chosen by keyboard switches the server; a colour depth switch; a click while
# a box is open opens nothing, then or later; Exit. Then on a desk whose primary monitor is the
# right one of two, where Windows gives the left one negative coordinates: either button opens
# the menu.
source "$(dirname "$0")/../e2e/lib.sh"
set_mode 1024x768
wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true
start_tray_host
WINEDEBUG=trace+system start_tarnvel  # the system channel traces every mode change it is asked for

press_then_release
import -window root "$E2E_OUT/wine-menu.png"
choose "$M_PRESET3"  # 800 x 600, 32bit color, 60 Hz
wait_for 5 bash -c '[ "$(xrandr | sed -n "s/.*current \([0-9]* x [0-9]*\),.*/\1/p")" = "800 x 600" ]' ||
  fail "preset 3 did not switch to 800 x 600: $(current_size)"

# Select Color Depth: the items are the depth texts in order of first appearance.
# The open menus: the pop-up, and the sub-menu once it shows (three rows, under 60 pixels).
menus_open() {
  local id info n=0
  for id in $(xdotool search --onlyvisible --classname "$MENU_CLASS" 2>/dev/null); do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Override Redirect State: yes' <<<"$info" && [ "$(awk '/Height:/ {print $2}' <<<"$info")" -gt 20 ] &&
      n=$((n + 1))
  done
  echo "$n"
}
open_menu
xdotool key --delay 80 $(printf 'Down %.0s' $(seq "$M_DEPTH")) Right
# On a loaded machine the sub-menu may take a while: keys sent before it shows would move
# in the pop-up instead.
wait_for 5 bash -c "$(declare -f menus_open); MENU_CLASS=$MENU_CLASS; [ \"\$(menus_open)\" -ge 2 ]" ||
  fail "Select Color Depth did not open its sub-menu"
import -window root "$E2E_OUT/wine-depths.png"
xdotool key --delay 80 Down Down Return  # 32bit color, 24bit color, 256 colors
wait_for 5 menu_closed || fail "the menu did not close"
# X cannot change its depth and Wine emulates it inside the process, so the check is what the
# program asked of the system, that the system took it, and the mode the program now names.
wait_for 5 grep -q 'dmBitsPerPel=8 dmPelsWidth=800 dmPelsHeight=600 dmDisplayFrequency=60' "$WORK/tarnvel.log" ||
  fail "no change to 800 x 600 at 8 bits per pixel was asked for"
grep -q 'NtUserChangeDisplaySettings (null) 0x[0-9a-f]* (nil) 0x80000000 (nil)' "$WORK/tarnvel.log" ||
  fail "the change was not dynamic"
sleep 0.5
xdotool search --onlyvisible --name '^Tarnvel$' >/dev/null && fail "an error box opened after the depth switch"
[ "$(current_size)" = "800 x 600" ] || fail "the depth switch changed the size: $(current_size)"

click_while_box_open
click_while_box_open editor
open_menu
choose "$M_EXIT"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program"
wait "$TARNVEL_PID" || fail "the program exited with $?"
wait_for 5 bash -c '! icon_docked' || fail "the icon stayed"

# Wine reads the desk when its session starts and does not follow a primary that moves later
# (its notification area then passes on no clicks): the new desk gets a new session.
wine_stop
trap 'xrandr --output DUMMY1 --off; xrandr --output DUMMY0 --mode 1024x768 --pos 0x0 --primary; cleanup' EXIT
xrandr --addmode DUMMY1 1024x768 && xrandr --output DUMMY1 --mode 1024x768 --pos 1024x0 --primary \
  --output DUMMY0 --mode 1024x768 --pos 0x0 || fail "could not put DUMMY1 right of DUMMY0 as the primary"
start_tarnvel
for button in 1 3; do
  open_menu "$button"
  import -window root "$E2E_OUT/wine-menu-primary-right-$button.png"
  xdotool key Escape
  wait_for 5 menu_closed || fail "the menu opened with button $button did not close on Escape"
done
open_menu
choose "$M_EXIT"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program on the second desk"
echo "wine: screenshots at $E2E_OUT/wine-menu.png and wine-depths.png"
