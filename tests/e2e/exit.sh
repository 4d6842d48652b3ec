#!/usr/bin/env bash
# "Exit/Close Program" ends the program and takes the icon; so does the window's close box.
source "$(dirname "$0")/lib.sh"
start_tray_host
start_tarnvel
open_menu
choose "$M_EXIT"
wait_for 5 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "Exit/Close Program did not end the program"
wait "$TARNVEL_PID" || fail "the program exited with $?"
wait_for 5 no_icon || fail "the icon stayed"

start_tarnvel
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "the window did not show"
wm_close "$(editor_window)"
wait_for 5 bash -c "! kill -0 $TARNVEL_PID 2>/dev/null" || fail "closing the window did not end the program"
wait "$TARNVEL_PID" || fail "the program exited with $?"
wait_for 5 no_icon || fail "the icon stayed after the window closed"
