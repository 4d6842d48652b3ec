#!/usr/bin/env bash
# Under Wine: OK into a registry key that cannot be written shows the error box, hides the
# window, and the menu still offers the new presets for this run.
source "$(dirname "$0")/../e2e/lib.sh"
set_mode 1024x768
wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true
start_tray_host
start_tarnvel
# A volatile key takes no lasting key below it. It lasts while the wineserver runs, which
# the running program keeps alive.
wine "$SHELL_POKE" volatile-key || fail "could not make the key volatile"
wine reg add 'HKCU\Software\Tarnvel\Settings' /v probe /d x /f >/dev/null 2>&1 &&
  fail "the registry took a lasting key below the volatile one: this test cannot make a save fail"

open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
click_box 1
xdotool key --delay 80 End shift+Home
xdotool type --delay 60 "640 x 480, 32bit color, 60 Hz"
click_ok
box() { xdotool search --onlyvisible --name '^Tarnvel$' | head -n 1 | grep .; }
wait_for 10 box || fail "OK into an unwritable key showed no box"
sleep 0.5
import -window root "$E2E_OUT/wine-save-fails.png"
shown=$(wine "$SHELL_POKE" read-box Tarnvel | tr -d '\r') || fail "the box is not a message box titled Tarnvel"
echo "$shown"
expected="Static: <icon>
Button: OK
Static: Unable to save the presets. They apply until Tarnvel is closed."
[ "$(sort <<<"$shown")" = "$(sort <<<"$expected")" ] || fail "the box shows something else: $shown"
error_box_shown Tarnvel "$E2E_OUT/wine-save-fails-box.png" || fail "the box has no error icon"
xdotool key --window "$(box)" Return
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Tarnvel$"' || fail "the box did not close"
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Change Default Resolutions$"' ||
  fail "the window stayed after the box"
wine reg query 'HKCU\Software\Tarnvel\Settings' >/dev/null 2>&1 && fail "something was stored after all"

# The new preset applies for this run.
open_menu
choose "$M_PRESET1"
wait_for 5 bash -c '[ "$(xrandr | sed -n "s/.*current \([0-9]* x [0-9]*\),.*/\1/p")" = "640 x 480" ]' ||
  fail "the unsaved preset 1 did not switch to 640 x 480: $(current_size)"
running || fail "the program ended"
set_mode 1024x768
echo "wine: a failed save showed the error box; the preset applied for the run"
