#!/usr/bin/env bash
# GNOME on Wayland: in a session of a nested Mutter, the program lists Mutter's modes and a
# preset chosen by keyboard switches Mutter's monitor, not the X server it is shown on. The
# primary monitor is a scale-2 one with a second monitor to its right: every switch gives the
# primary a scale its mode allows and keeps the second one beside it.
source "$(dirname "$0")/lib.sh"
MUTTER_STATE="$WORK/mutter"
trap '"$MUTTER_SESSION" stop "$MUTTER_STATE"; cleanup' EXIT
set_mode 1024x768

# Sizes the test Xorg does not offer, so a preset found proves the list is Mutter's.
MUTTER_DEBUG_DUMMY_MONITOR_SCALES=2,1 \
  "$MUTTER_SESSION" start "$MUTTER_STATE" "2560x1440@59.94:1920x1080:1024x768@75:1024x768:800x600" 2 ||
  fail "Mutter did not start"
source "$MUTTER_STATE/env"  # DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY
export XDG_SESSION_TYPE=wayland

mutter_state() {
  gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
    -m org.gnome.Mutter.DisplayConfig.GetCurrentState
}
# The primary monitor's mode; it is the first one listed.
mutter_current() {
  mutter_state | grep -o "'[0-9]*x[0-9]*@[0-9.]*', [^(]*'is-current': <true>" | head -n 1 | cut -d"'" -f2
}
mutter_is() { [ "$(mutter_current)" = "$1" ]; }
# Each logical monitor's first monitor, place and scale: "LVDS1+0+0@2.0 LVDS2+2560+0@1.0".
mutter_desktop() {
  mutter_state | grep -oE "\(-?[0-9]+, -?[0-9]+, [0-9.]+, (uint32 )?[0-9]+, (true|false), \[\('[^']+'" |
    sed -E "s/\((-?[0-9]+), (-?[0-9]+), ([0-9.]+), .*\('([^']+)'/\4+\1+\2@\3/" | paste -sd' '
}
# After a switch to mode $1: the primary's scale and the second monitor's place, $2.
switched_to() {
  wait_for 10 mutter_is "$1" || fail "Mutter did not switch to $1: $(mutter_current)"
  [ "$(mutter_desktop)" = "$2" ] || fail "after $1 the desktop is $(mutter_desktop), not $2"
}
export -f mutter_state mutter_current mutter_is

mkdir -p "$(dirname "$INI")"
printf '[Settings]\nd1=1920 x 1080, 32bit color, 60 Hz\nd2=800 x 600, 32bit color, 60 Hz\n' >"$INI"
start_tray_host  # after Mutter, whose window would otherwise cover the panel
[ "$(mutter_desktop)" = "LVDS1+0+0@2.0 LVDS2+2560+0@1.0" ] || fail "Mutter started as $(mutter_desktop)"
start_tarnvel

open_menu
choose "$M_PRESET1"
switched_to 1920x1080@60.000 "LVDS1+0+0@2.0 LVDS2+1920+0@1.0"  # 2 is allowed there too
open_menu
choose "$M_PRESET2"
switched_to 800x600@60.000 "LVDS1+0+0@1.0 LVDS2+800+0@1.0"  # too small for 2

# "All Resolutions", the last entry, shows Mutter's list in its order; its last mode is the
# one Mutter started in, at 59.94 Hz.
open_menu
xdotool key --delay 100 Up Right
sleep 0.5
import -window root "$E2E_OUT/wayland-modes.png"
xdotool key --delay 100 Up Return
wait_for 5 menu_closed || fail "the menu did not close"
switched_to 2560x1440@59.940 "LVDS1+0+0@2.0 LVDS2+2560+0@1.0"  # as Mutter started

open_menu
choose "$M_PRESET2"
switched_to 800x600@60.000 "LVDS1+0+0@1.0 LVDS2+800+0@1.0"
[ "$(current_size)" = "1024 x 768" ] || fail "the X server's own mode changed to $(current_size)"
running || fail "the program ended: $(cat "$WORK/tarnvel.log")"

open_menu
sleep 0.3
import -window root "$E2E_OUT/wayland-menu.png"
xdotool key Escape
wait_for 5 menu_closed || fail "Escape did not close the menu"
echo "wayland: screenshots at $E2E_OUT/wayland-modes.png and $E2E_OUT/wayland-menu.png"
