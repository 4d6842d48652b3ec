#!/usr/bin/env bash
# Under Wine at 96 and at 144 DPI: after the focus went through every control, each preset
# box shows its whole mode text, no character even partly cut off: "1600 x 1200, 32bit color,
# 60 Hz" and a stored preset in capitals ("1024 X 768, 32BIT COLOR, 60 HZ", wider than any mode
# the driver names) included; a text too long for its box shows its start once the box is left.
# A preset too wide even at 7 pt leaves the whole text to the boxes' tooltips.
source "$(dirname "$0")/../e2e/lib.sh"
set_mode 1600x1200
wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Tarnvel\Settings' /v d2 /d "1024 X 768, 32BIT COLOR, 60 HZ" /f >/dev/null
# The DPI is a setting of the shared test prefix: it goes back to the default however this ends.
trap 'wine reg delete "HKCU\\Control Panel\\Desktop" /v LogPixels /f >/dev/null 2>&1 || true; cleanup' EXIT
start_tray_host

edits() { wine "$SHELL_POKE" read-edits | tr -d '\r'; }
# The boxes come in tab order: preset 4 first.
defaults="whole: 640 x 480, 32bit color, 60 Hz
whole: 800 x 600, 32bit color, 60 Hz
whole: 1024 X 768, 32BIT COLOR, 60 HZ
whole: 1600 x 1200, 32bit color, 60 Hz"

show_editor() {  # $1: DPI
  start_tarnvel
  open_menu
  choose "$M_CONFIG"
  wait_for 5 editor_window || fail "$1 DPI: Configure Pre-Sets... did not show the window"
  sleep 0.5
  xdotool key --delay 80 $(printf 'Tab %.0s' $(seq 12))
  sleep 0.3
  import -window root "$E2E_OUT/wine-fonts-$1.png"
  [ "$(edits)" = "$defaults" ] || fail "$1 DPI: the boxes do not show their whole texts: $(edits)"
}
end_program() {
  open_menu
  choose "$M_EXIT"
  wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program"
}

show_editor 96
long="1600 x 1200, 32bit color, 60 Hz, 1600 x 1200, 32bit color"
click_box 4
xdotool key --delay 80 End shift+Home
xdotool type --delay 40 "$long"
xdotool key Tab
sleep 0.3
[ "$(edits | head -n 1)" = "start: $long" ] || fail "a box that was left does not show its start: $(edits | head -n 1)"
click_cancel
end_program

# A preset too wide for the boxes even at 7 pt: the boxes keep 7 pt and each tooltip shows its
# box's whole text.
wine reg add 'HKCU\Software\Tarnvel\Settings' /v d1 /d "1600 X 1200, 32BIT COLOR, 60 HZ" /f >/dev/null
start_tarnvel
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
[ "$(edits | tail -n 1)" = "start: 1600 X 1200, 32BIT COLOR, 60 HZ" ] ||
  fail "a preset too wide at 7 pt: $(edits | tail -n 1)"
tooltip() {
  local id info
  for id in $(xdotool search --onlyvisible --classname "$MENU_CLASS" 2>/dev/null); do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Override Redirect State: yes' <<<"$info" && [ "$(awk '/Height:/ {print $2}' <<<"$info")" -lt 40 ] &&
      return 0
  done
  return 1
}
editor_size
id=$(editor_window)
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove $((X + (W - 3015 + 240 + 1267) / 15)) $((Y + (480 + 240 + 142) / 15))
wait_for 5 tooltip || fail "no tooltip over the box whose text does not fit"
import -window root "$E2E_OUT/wine-fonts-tooltip.png"
xdotool mousemove 10 700
click_cancel
end_program
wine reg delete 'HKCU\Software\Tarnvel\Settings' /v d1 /f >/dev/null

wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver -w
show_editor 144
end_program
set_mode 1024x768
echo "wine: whole preset texts at 96 and 144 DPI; screenshots $E2E_OUT/wine-fonts-96.png and wine-fonts-144.png"
