#!/usr/bin/env bash
# Stored presets: one in other letter case switches to its mode; one no longer offered falls
# back to its default. Chosen by keyboard from the menu, checked on the server.
source "$(dirname "$0")/lib.sh"
set_mode 1024x768
mkdir -p "$(dirname "$INI")"
printf '[Settings]\nd1=800 X 600, 32BIT COLOR, 60 HZ\nd2=1152 x 870, 32bit color, 60 Hz\n' >"$INI"
cp "$INI" "$WORK/before.ini"
start_tray_host
start_tarnvel

open_menu
choose "$M_PRESET1"
wait_for 5 bash -c '[ "$(xrandr | sed -n "s/.*current \([0-9]* x [0-9]*\),.*/\1/p")" = "800 x 600" ]' ||
  fail "preset 1 did not switch to 800 x 600: $(current_size)"
open_menu
choose "$M_PRESET2"  # its stored value is not offered: the default 1024 x 768 at 60 Hz
wait_for 5 bash -c '[ "$(xrandr | sed -n "s/.*current \([0-9]* x [0-9]*\),.*/\1/p")" = "1024 x 768" ]' ||
  fail "preset 2 did not switch to its default: $(current_size)"
running || fail "the program ended"
cmp -s "$INI" "$WORK/before.ini" || fail "start-up rewrote the settings file"
