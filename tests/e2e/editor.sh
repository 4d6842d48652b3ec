#!/usr/bin/env bash
# First run writes nothing; ">" then Cancel writes nothing; opened again, the keyboard works
# in List2; ">" then OK writes all four.
source "$(dirname "$0")/lib.sh"
# Not the driver's first mode, which List2 leaves out: the editor opens on its row.
set_mode 800x600
start_tray_host
start_tarnvel
[ -e "$INI" ] && fail "the first run wrote $INI"

open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
sleep 0.5
import -window root -crop 700x520+0+0 "$E2E_OUT/editor.png"
hover_editor_opens_nothing
click_first_row
click_copy 1
click_cancel
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Change Default Resolutions$"' || fail "Cancel did not hide"
[ -e "$INI" ] && fail "Cancel wrote $INI"

open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "the window did not show again"
# Opened again, the keyboard is in List2, on the start-up mode: Down moves to the next row.
sleep 0.5
xdotool key Down
sleep 0.3
click_copy 1
click_ok
wait_for 5 test -e "$INI" || fail "OK wrote nothing"
first_row=$(xrandr | awk '/^DUMMY0/ {on=1; next} on && /^ / {print $1; exit}')  # List1 row 0 never reaches the editor
grep -q '^\[Settings\]$' "$INI" || fail "no [Settings] group: $(cat "$INI")"
for key in d1 d2 d3 d4; do grep -q "^$key=" "$INI" || fail "$key missing: $(cat "$INI")"; done
grep -q '^d1=864 x 486, 32bit color, 60 Hz$' "$INI" || fail "Down did not move List2 to the row after the start-up mode: $(cat "$INI")"
grep -q "^d2=1024 x 768, 32bit color, 60 Hz$" "$INI" || fail "d2 lost its default: $(cat "$INI")"
echo "editor: screenshot at $E2E_OUT/editor.png (row 0 of the driver's list: $first_row)"
