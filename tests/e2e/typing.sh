#!/usr/bin/env bash
# Presets typed on the keyboard are kept exactly as typed: whole texts over a selection,
# Backspace at the end, Home and End, and a paste followed by Backspace. OK stores them (the
# settings file here, the registry under Wine) and a typed preset switches the mode.
source "$(dirname "$0")/lib.sh"
set_mode 1024x768
if [ -n "${WINEPREFIX:-}" ]; then wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true; fi
start_tray_host
start_tarnvel

open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
sleep 0.5
keys() { xdotool key --delay 80 "$@"; }
typed() { xdotool type --delay 60 "$1"; }

# Over the whole old text, in capitals as a user may type it.
click_box 1
keys End shift+Home
typed "800 x 600, 32BIT COLOR, 60 Hz"
# Two characters too many, taken back one Backspace at a time.
click_box 2
keys End shift+Home
typed "640 x 480, 32bit color, 60 Hzzz"
keys BackSpace BackSpace
# The end of preset 1, copied, pasted at the end of a new text, then Backspace on the paste.
click_box 1
keys End shift+Left shift+Left shift+Left shift+Left shift+Left ctrl+c
click_box 3
keys End shift+Home
typed "1280 x 1024, 32bit color, "
keys ctrl+v BackSpace
typed "z"
# The middle first, then the start after Home, then the end after End.
click_box 4
keys End shift+Home
typed "x 768, 32bit color, 60"
keys Home
typed "1024 "
keys End
typed " Hz"
sleep 0.3
import -window root -crop 700x540+0+0 "$E2E_OUT/typing-$(basename "${TARNVEL_BIN}").png"
click_ok
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Change Default Resolutions$"' || fail "OK did not hide"

expected=("800 x 600, 32BIT COLOR, 60 Hz" "640 x 480, 32bit color, 60 Hz" "1280 x 1024, 32bit color, 60 Hz"
  "1024 x 768, 32bit color, 60 Hz")
stored() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wine reg query 'HKCU\Software\Tarnvel\Settings' /v "d$1" 2>/dev/null | tr -d '\r' |
      sed -n "s/^ *d$1 *REG_SZ *//p"
  else
    sed -n "s/^d$1=//p" "$INI" 2>/dev/null
  fi
}
wait_for 10 bash -c "$(declare -f stored); INI='$INI'; [ -n \"\$(stored 4)\" ]" || fail "OK stored nothing"
for n in 1 2 3 4; do
  [ "$(stored "$n")" = "${expected[$((n - 1))]}" ] ||
    fail "preset $n: typed '${expected[$((n - 1))]}', stored '$(stored "$n")'"
done
echo "typing: stored exactly as typed:"
for n in 1 2 3 4; do echo "  d$n=$(stored "$n")"; done

# The typed presets run from the menu. Wine's display driver now and then refuses a switch
# that comes right after another, and the program says so ("Error changing resolution..."):
# there the box is closed and the preset chosen once more, as a user would.
size_is() { [ "$(current_size)" = "$1" ]; }
switch_by_preset() {  # $1 menu entry, $2 the size it gives
  local attempt box
  for attempt in 1 2; do
    open_menu
    choose "$1"
    wait_for 5 size_is "$2" && return 0
    [ -n "${WINEPREFIX:-}" ] && [ "$attempt" = 1 ] && box=$(program_box) || break
    echo "typing: Wine refused the switch to $2 the first time: $(wine "$SHELL_POKE" read-box Tarnvel 2>&1 | tr -d '\r')" >&2
    eval "$(xdotool getwindowgeometry --shell "$box")"
    xdotool mousemove $((X + 12)) $((Y + 12)) click 1 sleep 0.3 key --window "$box" Return
    wait_for 5 no_program_box || fail "the box did not close on Return"
  done
  fail "typed preset at menu entry $1 did not switch to $2: $(current_size)"
}
switch_by_preset "$M_PRESET1" "800 x 600"
switch_by_preset "$M_PRESET3" "1280 x 1024"
echo "typing: typed presets 1 and 3 switched the display"

# A preset wider than the screen: the menu draws it shortened in the middle and stays on the
# screen; the preset itself keeps every character.
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
long=$(printf '1024 x 768, 32bit color, 60 Hz; %.0s' $(seq 7))end
click_box 2
keys End shift+Home
xdotool type --delay 25 "$long"
click_ok
wait_for 10 bash -c "$(declare -f stored); INI='$INI'; [ \"\$(stored 2)\" = '$long' ]" ||
  fail "the long preset 2 was not stored whole: '$(stored 2)'"
open_menu
sleep 0.5
import -window root "$E2E_OUT/${WINEPREFIX:+wine-}menu-long.png"
eval "$(xdotool getwindowgeometry --shell "$(menu_window)")"
screen_width=$(current_size | cut -d' ' -f1)
[ "$WIDTH" -le "$screen_width" ] ||
  fail "with a preset of ${#long} characters the menu is $WIDTH pixels wide, on a screen $screen_width wide"
xdotool key Escape
wait_for 5 menu_closed || fail "Escape did not close the menu"
set_mode 1024x768
echo "typing: a preset of ${#long} characters left the menu $WIDTH pixels wide on a screen $screen_width wide"
