#!/usr/bin/env bash
# Damaged and odd settings files: start-up goes on, the presets menu works, and start-up
# never rewrites the file. Then a folder the program may not write: OK changes nothing and
# says so in an error box.
source "$(dirname "$0")/../e2e/lib.sh"
start_tray_host
mkdir -p "$(dirname "$INI")"

survives() {  # $1: what the file holds
  cp "$INI" "$WORK/before"
  start_tarnvel
  open_menu
  choose 1
  running || fail "$1: the program ended"
  kill "$TARNVEL_PID"
  wait "$TARNVEL_PID" 2>/dev/null || true
  cmp -s "$INI" "$WORK/before" || fail "$1: start-up rewrote the file"
}

head -c 65536 /dev/urandom >"$INI"
survives "64 KiB of random bytes"
{ printf '[Settings]\nd1='; head -c 1048576 /dev/zero | tr '\0' 'x'; printf '\n'; } >"$INI"
survives "a 1 MiB value"
printf '[Settings]\nd1=\xff\xfe\xc3\x28 x 600, 32bit color, 60 Hz\nd2=\xe2\x82\n' >"$INI"
survives "invalid UTF-8"
printf '[Settings]\nd1=800 x 600, 32bit color, 60 Hz\nd2=800 x 600,32bit color,60 Hz\n' >"$INI"
survives "unquoted commas"

# A folder the program may not write, as a user the permissions apply to.
printf '[Settings]\nd1=800 x 600, 32bit color, 60 Hz\n' >"$INI"
cp "$INI" "$WORK/before"
chown -R nobody "$XDG_RUNTIME_DIR"
chmod 755 "$WORK" "$XDG_CONFIG_HOME"
chmod 555 "$(dirname "$INI")"
chmod 444 "$INI"
setpriv --reuid=65534 --regid=65534 --clear-groups "$TARNVEL_BIN" >"$WORK/tarnvel.log" 2>&1 &
TARNVEL_PID=$!
PIDS+=("$TARNVEL_PID")
wait_for 15 icon_docked || fail "no icon for the unprivileged start: $(cat "$WORK/tarnvel.log")"
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "the editor did not show"
click_first_row
click_copy 1
click_ok
# The user is told that the presets last only for this run.
wait_for 10 error_box_shown Tarnvel "$E2E_OUT/settings-save-fails.png" ||
  fail "OK into an unwritable folder showed no error box titled Tarnvel"
xdotool key Return
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Tarnvel$"' || fail "the box did not close"
running || fail "OK into an unwritable folder ended the program"
cmp -s "$INI" "$WORK/before" || fail "OK into an unwritable folder changed the store"
[ "$(ls -A "$(dirname "$INI")")" = "Tarnvel.ini" ] || fail "OK left files behind: $(ls -A "$(dirname "$INI")")"
open_menu
choose 1
running || fail "the program ended after the failed save"
chmod -R u+w "$XDG_CONFIG_HOME"
echo "settings: damaged files survived, nothing rewritten; an unwritable folder left the store as it was"
