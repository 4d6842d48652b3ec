#!/usr/bin/env bash
# GNOME on Wayland: in a session of a nested Mutter, the program lists Mutter's modes and a
# preset chosen by keyboard switches Mutter's monitor, not the X server it is shown on.
source "$(dirname "$0")/lib.sh"
MUTTER_STATE="$WORK/mutter"
trap '"$MUTTER_SESSION" stop "$MUTTER_STATE"; cleanup' EXIT
set_mode 1024x768

# Sizes the test Xorg does not offer, so a preset found proves the list is Mutter's.
"$MUTTER_SESSION" start "$MUTTER_STATE" "1280x720@59.94:1920x1080:1024x768@75:1024x768:800x600" ||
  fail "Mutter did not start"
source "$MUTTER_STATE/env"  # DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY
export XDG_SESSION_TYPE=wayland

mutter_current() {
  gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
    -m org.gnome.Mutter.DisplayConfig.GetCurrentState |
    grep -o "'[0-9]*x[0-9]*@[0-9.]*', [^(]*'is-current': <true>" | cut -d"'" -f2
}
mutter_is() { [ "$(mutter_current)" = "$1" ]; }
export -f mutter_current mutter_is

mkdir -p "$(dirname "$INI")"
printf '[Settings]\nd1=1920 x 1080, 32bit color, 60 Hz\nd2=800 x 600, 32bit color, 60 Hz\n' >"$INI"
start_tray_host  # after Mutter, whose window would otherwise cover the panel
start_tarnvel

open_menu
choose "$M_PRESET1"
wait_for 10 mutter_is 1920x1080@60.000 || fail "preset 1 did not switch Mutter to 1920x1080: $(mutter_current)"
open_menu
choose "$M_PRESET2"
wait_for 10 mutter_is 800x600@60.000 || fail "preset 2 did not switch Mutter to 800x600: $(mutter_current)"

# "All Resolutions", the last entry, shows Mutter's list in its order; its last mode is the
# one Mutter started in, at 59.94 Hz.
open_menu
xdotool key --delay 100 Up Right
sleep 0.5
import -window root "$E2E_OUT/wayland-modes.png"
xdotool key --delay 100 Up Return
wait_for 5 menu_closed || fail "the menu did not close"
wait_for 10 mutter_is 1280x720@59.940 || fail "All Resolutions did not switch Mutter to 1280x720: $(mutter_current)"

open_menu
choose "$M_PRESET2"
wait_for 10 mutter_is 800x600@60.000 || fail "preset 2 did not switch Mutter back to 800x600: $(mutter_current)"
[ "$(current_size)" = "1024 x 768" ] || fail "the X server's own mode changed to $(current_size)"
running || fail "the program ended: $(cat "$WORK/tarnvel.log")"

open_menu
sleep 0.3
import -window root "$E2E_OUT/wayland-menu.png"
xdotool key Escape
wait_for 5 menu_closed || fail "Escape did not close the menu"
echo "wayland: screenshots at $E2E_OUT/wayland-modes.png and $E2E_OUT/wayland-menu.png"
