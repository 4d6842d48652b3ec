#!/usr/bin/env bash
# Under Wine: the editor opens with the keyboard in List2; OK in the editor writes the four
# registry values; a second start ends at once.
source "$(dirname "$0")/../e2e/lib.sh"
set_mode 1024x768
wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true
start_tray_host
start_tarnvel
wine reg query 'HKCU\Software\Tarnvel\Settings' >/dev/null 2>&1 && fail "the first run wrote the registry"

start=$(date +%s%N)
timeout 20 "$TARNVEL_BIN" >"$WORK/second.log" 2>&1 || fail "the second start exited with $?"
echo "wine: the second start ended after $((($(date +%s%N) - start) / 1000000)) ms"
running || fail "the first instance ended"

open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
sleep 0.7
import -window root -crop 700x540+0+0 "$E2E_OUT/wine-editor.png"
hover_editor_opens_nothing
# Each "Default Item N:" label reaches into the ">" button and the box below it: it lies
# beneath them, so it paints nothing over their borders.
stacking=$(wine "$SHELL_POKE" read-stacking | tr -d '\r') || fail "could not read the presets' stacking: $stacking"
last_control=$(grep -nE '^(Button|Edit):' <<<"$stacking" | tail -n 1 | cut -d: -f1)
first_label=$(grep -nE '^Static: Default Item' <<<"$stacking" | head -n 1 | cut -d: -f1)
[ -n "$first_label" ] && [ "$first_label" -gt "$last_control" ] ||
  fail "a label lies above a button or a box it overlaps; topmost first: $stacking"
# The keyboard is in List2 from the start, on the start-up mode: Down moves to the next row.
xdotool key Down
sleep 0.3
click_copy 1
click_first_row
click_copy 4
click_ok
wait_for 10 bash -c "wine reg query 'HKCU\\Software\\Tarnvel\\Settings' 2>/dev/null | grep -q d4" || fail "OK wrote nothing"
values=$(wine reg query 'HKCU\Software\Tarnvel\Settings' | tr -d '\r')
for key in d1 d2 d3 d4; do grep -q "^ *$key *REG_SZ" <<<"$values" || fail "$key missing: $values"; done
grep -q "^ *d1 *REG_SZ *1152 x 864, 32bit color, 75 Hz$" <<<"$values" ||
  fail "Down did not move List2 from the start-up mode to the next row: $values"
grep -q "^ *d2 *REG_SZ *1024 x 768, 32bit color, 60 Hz$" <<<"$values" || fail "d2: $values"
grep -q "^ *d4 *REG_SZ *[0-9]* x [0-9]*, .*$" <<<"$values" || fail "d4 is not a mode text: $values"
echo "wine: registry after OK:"
echo "$values"

# The close box ends the program and takes the icon.
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "the window did not show again"
wm_close "$(editor_window)"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "closing the window did not end the program"
wait_for 5 bash -c '! icon_docked' || fail "the icon stayed after the window closed"

# The exe carries its version resource and imports only system DLLs.
strings -el "$TARNVEL_EXE" | grep -q '^Quorvane$' || fail "no company name in the version resource"
[ "$(strings -el "$TARNVEL_EXE" | grep -c '^1\.0\.8$')" -ge 2 ] || fail "no file and product version 1.0.8"
imports=$(x86_64-w64-mingw32-objdump -p "$TARNVEL_EXE" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$imports" = "advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll " ] ||
  fail "imports beyond the system: $imports"
echo "wine: imports $imports"

# A release program ships without symbols: debug information alone made it three times larger.
size=$(stat -c %s "$TARNVEL_EXE")
[ "$size" -lt 400000 ] || fail "the exe is $size bytes, not under 400 KB: were its symbols stripped?"
x86_64-w64-mingw32-objdump -h "$TARNVEL_EXE" | grep -q '\.debug' && fail "the exe carries debug sections"
echo "wine: the exe is $size bytes"
