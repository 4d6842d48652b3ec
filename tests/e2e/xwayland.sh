#!/usr/bin/env bash
# A Wayland desktop without Mutter's display service (KDE Plasma, wlroots): the program runs
# on Xwayland, whose mode changes are emulated for it alone. A switch there changes nothing
# for the compositor, so the user is told it failed; the mode really in force still works.
source "$(dirname "$0")/lib.sh"
MUTTER_STATE="$WORK/mutter"
trap '"$MUTTER_SESSION" stop "$MUTTER_STATE"; cleanup' EXIT
XORG=$DISPLAY

# Mutter stands in for the compositor; its Xwayland is the program's X server.
"$MUTTER_SESSION" start "$MUTTER_STATE" "1024x768:800x600:1600x1200" 1 x11 || fail "Mutter with Xwayland did not start"
MUTTER_BUS=$(cat "$MUTTER_STATE/bus")
DISPLAY=$(cat "$MUTTER_STATE/xdisplay") XAUTHORITY=$(cat "$MUTTER_STATE/xauthority")
export DISPLAY XAUTHORITY MUTTER_BUS
export WAYLAND_DISPLAY=$(cat "$MUTTER_STATE/wayland") XDG_SESSION_TYPE=wayland
# A session bus without the display service.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/no-such-bus"

mutter_current() {
  gdbus call --address "$MUTTER_BUS" -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
    -m org.gnome.Mutter.DisplayConfig.GetCurrentState |
    grep -o "'[0-9]*x[0-9]*@[0-9.]*', [^(]*'is-current': <true>" | cut -d"'" -f2
}
# The message box: a shown window titled like the program, larger than its tray icon.
box_shown() {
  local id
  for id in $(xdotool search --onlyvisible --name '^Tarnvel$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [ "$WIDTH" -gt 100 ] && return 0
  done
  return 1
}
export -f box_shown

mkdir -p "$(dirname "$INI")"
printf '[Settings]\nd1=800 x 600, 32bit color, 60 Hz\nd2=1024 x 768, 32bit color, 60 Hz\n' >"$INI"
start_tray_host
start_tarnvel

open_menu
choose "$M_PRESET1"
wait_for 10 box_shown || fail "switching to 800 x 600 on Xwayland told the user nothing"
DISPLAY=$XORG import -window root "$E2E_OUT/xwayland-error.png"
[ "$(mutter_current)" = 1024x768@60.000 ] || fail "the compositor's mode changed: $(mutter_current)"
xdotool key Return
wait_for 5 bash -c '! box_shown' || fail "the message box did not close"

# The mode in force is still named and switched to without complaint.
open_menu
DISPLAY=$XORG import -window root "$E2E_OUT/xwayland-menu.png"
choose "$M_PRESET2"
wait_for 2 box_shown && fail "switching to the mode in force gave a message"
running || fail "the program ended: $(cat "$WORK/tarnvel.log")"
echo "xwayland: screenshots at $E2E_OUT/xwayland-error.png and $E2E_OUT/xwayland-menu.png"
