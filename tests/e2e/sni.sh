#!/usr/bin/env bash
# Tarnvel as a StatusNotifier item in Xfce's panel: the left button's release opens its menu,
# the right button the same menu drawn by the panel, the host's requests do what the buttons
# do, and Exit takes the item off the watcher.
source "$(dirname "$0")/sni_lib.sh"

exported() { menu_labels | grep -qx -- "$1"; }
presets_exported() { [ "$(menu_labels | grep -c '^[0-9].* Hz$')" = "$1" ]; }
item_gone() { ! watcher RegisteredStatusNotifierItems | grep -q "'$ITEM/"; }

set_mode 1024x768
mkdir -p "$(dirname "$INI")"
printf '[Settings]\nd1=800 x 600, 32bit color, 60 Hz\nd2=640 x 480, 32bit color, 60 Hz\nd3=1024 x 768, 32bit color, 60 Hz\nd4=800 x 600, 32bit color, 60 Hz\n' >"$INI"
start_bus
start_panel
start_item
xembed_docked && fail "the program docked an XEmbed icon although a StatusNotifier host was there"

# The exported menu: the pop-up's entries and separators, the hidden colour depth entry left
# out (the separators around it stay, as in the pop-up), the modes as a sub-menu.
labels=$(menu_labels) || fail "the item exports no menu"
expected='(Cancel)
-
Exit/Close Program
About Program...
-
Quorvane Website
-
-
Current: 1024 x 768, 32bit color, 60 Hz
-
Configure Pre-Sets...
-
800 x 600, 32bit color, 60 Hz
640 x 480, 32bit color, 60 Hz
1024 x 768, 32bit color, 60 Hz
800 x 600, 32bit color, 60 Hz
-
All Resolutions'
[ "$labels" = "$expected" ] || fail "the exported menu is not the pop-up's: $labels"
all=$(menu_id 'All Resolutions') || fail "no All Resolutions entry"
modes=$(menu_labels "$all")
[ "$(grep -c ', 32bit color, [0-9]* Hz$' <<<"$modes")" -ge 10 ] || fail "All Resolutions holds: $modes"
grep -vq ' Hz$' <<<"$modes" && fail "All Resolutions holds more than modes: $modes"

# Left button: a press alone opens nothing, the release opens Tarnvel's own menu.
press_then_release
import -window root "$E2E_OUT/sni-left.png"
host_menu_window && fail "the left button opened the panel's menu as well"
choose "$M_PRESET1"
wait_for_size "800 x 600" "preset 1, chosen in the left button's menu,"

# Right button: the panel draws the item's menu, which is Tarnvel's (the panel's own has no
# presets); a preset chosen in it switches the server.
read -r x y < <(icon_point)
xdotool mousemove "$x" "$y" click 3
wait_for 5 host_menu_window || fail "the right button opened no menu"
sleep 0.5
import -window root "$E2E_OUT/sni-right.png"
menu_window && fail "the right button opened two menus"
choose_in_host "$M_PRESET2"
wait_for_size "640 x 480" "preset 2, chosen in the right button's menu,"
wait_for 5 exported 'Current: 640 x 480, 32bit color, 60 Hz' || fail "the exported menu did not follow the switch: $(menu_labels)"

# The middle button (a secondary activation) opens nothing.
xdotool mousemove "$x" "$y" click 2
sleep 1
menu_window && fail "the middle button opened the menu"
host_menu_window && fail "the middle button opened the panel's menu"

# The host's requests, sent directly.
item Activate >/dev/null
wait_for 5 menu_window || fail "Activate opened no menu"
xdotool key Escape
wait_for 5 menu_closed || fail "Escape did not close the menu"
item ContextMenu >/dev/null
wait_for 5 menu_window || fail "ContextMenu opened no menu"
host_menu_window && fail "ContextMenu opened the panel's menu as well"
xdotool key Escape
wait_for 5 menu_closed || fail "Escape did not close the menu"
item SecondaryActivate >/dev/null
sleep 1
menu_window && fail "SecondaryActivate opened the menu"

# A preset emptied in the editor leaves both menus; the panel's menu follows at once.
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
editor_size
click_twips $((W - 3015 + 240 + 1200)) $((480 + 1680 + 140))  # preset 3's box
xdotool key ctrl+a BackSpace
click_ok
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Change Default Resolutions$"' || fail "OK did not hide"
grep -q '^d3=$' "$INI" || fail "preset 3 was not emptied: $(cat "$INI")"
xdotool mousemove "$x" "$y" click 3
wait_for 5 host_menu_window || fail "the right button opened no menu"
wait_for 5 presets_exported 3 || fail "the emptied preset is still exported: $(menu_labels)"
# The panel had drawn the menu it knew, then took the new one: open it afresh before typing.
xdotool key Escape
wait_for 5 host_menu_closed || fail "Escape did not close the panel's menu"
xdotool mousemove "$x" "$y" click 3
wait_for 5 host_menu_window || fail "the right button opened no menu"
choose_in_host "$M_PRESET3"  # now preset 4
wait_for_size "800 x 600" "preset 4, the third entry once preset 3 was emptied,"

# The panel restarts: the item registers with its new watcher, whose host draws the item's
# menu again.
stop_bounded "$PANEL_PID"
start_panel
wait_for 10 item_name || fail "the item did not register with the restarted panel"
wait_for 10 icon_shown || fail "the restarted panel shows no icon for the item"
read -r x y < <(icon_point)
xdotool mousemove "$x" "$y" click 3
wait_for 5 host_menu_window || fail "the right button opened no menu in the restarted panel"
choose_in_host "$M_PRESET2"
wait_for_size "640 x 480" "preset 2, chosen in the restarted panel's menu,"

# Exit, chosen in the panel's menu, ends the program and takes the item off the watcher.
xdotool mousemove "$x" "$y" click 3
wait_for 5 host_menu_window || fail "the right button opened no menu"
choose_in_host "$M_EXIT"
wait_for 10 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit did not end the program"
wait "$TARNVEL_PID" || fail "the program exited with $?"
wait_for 5 item_gone || fail "the item stayed with the watcher after Exit"
echo "sni: screenshots at $E2E_OUT/sni-left.png and $E2E_OUT/sni-right.png"
