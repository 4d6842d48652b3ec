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
  reap "$TARNVEL_PID" 10 "$1: the program, sent SIGTERM,"
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

# As editors on Windows leave it: a byte order mark and CRLF, another group after the
# presets. Preset 1 is stored as 640 x 480; lost, it would be its default, 1600 x 1200.
set_mode 1024x768
printf '\xef\xbb\xbf[Settings]\r\nd1=640 x 480, 32bit color, 60 Hz\r\nd2=\r\n\r\n[Window]\r\nleft=120\r\n' >"$INI"
cp "$INI" "$WORK/before"
start_tarnvel
open_menu
choose "$M_PRESET1"
wait_for 5 bash -c '[ "$(xrandr | sed -n "s/.*current \([0-9]* x [0-9]*\),.*/\1/p")" = "640 x 480" ]' ||
  fail "a file with a byte order mark and CRLF: preset 1 switched to $(current_size), not to the stored 640 x 480"
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "the editor did not show"
click_ok
changed() { ! cmp -s "$INI" "$WORK/before"; }
wait_for 5 changed || fail "OK did not save the file with a byte order mark"
[ -z "$(awk '/^\[/ {exit} NF' "$INI")" ] || fail "OK wrote keys above the first group: $(cat -A "$INI")"
[ "$(grep -c '^\[Settings\]$' "$INI")" -eq 1 ] || fail "OK did not write exactly one [Settings] group: $(cat -A "$INI")"
sed -n '/^\[Window\]$/,/^\[/p' "$INI" | grep -q '^left=120$' || fail "OK lost the other group's key: $(cat -A "$INI")"
sed -n '/^\[Settings\]$/,/^\[/p' "$INI" | grep -q '^d1=640 x 480, 32bit color, 60 Hz$' ||
  fail "OK did not keep preset 1: $(cat -A "$INI")"
kill "$TARNVEL_PID"
reap "$TARNVEL_PID" 10 "the program, sent SIGTERM,"
echo "settings: a file with a byte order mark and CRLF loaded; after OK it reads:"
cat "$INI"

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
# The user is told that the presets were not saved; the box is dismissed with Return.
error_box() { xdotool search --onlyvisible --name '^Tarnvel$' | head -n 1 | grep .; }
no_error_box() { ! error_box; }
wait_for 10 error_box || fail "OK into an unwritable folder told the user nothing"
import -window root "$E2E_OUT/settings-unsaved.png"
xdotool windowactivate --sync "$(error_box)" key Return 2>/dev/null || xdotool key Return
wait_for 5 no_error_box || fail "the box about the unsaved presets did not close on Return"
running || fail "OK into an unwritable folder ended the program"
cmp -s "$INI" "$WORK/before" || fail "OK into an unwritable folder changed the store"
[ "$(ls -A "$(dirname "$INI")")" = "Tarnvel.ini" ] || fail "OK left files behind: $(ls -A "$(dirname "$INI")")"
open_menu
choose 1
running || fail "the program ended after the failed save"

# The folder may be written again: the next OK of the same run saves and says nothing.
chown -R nobody "$(dirname "$INI")"
chmod 755 "$(dirname "$INI")"
chmod 644 "$INI"
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "the editor did not show after the failed save"
click_ok
# A box would keep the editor open under it until it is dismissed.
editor_gone() { ! editor_window; }
wait_for 10 editor_gone ||
  fail "OK into the folder made writable again left the editor open$(error_box >/dev/null && echo ' under an error box')"
import -window root "$E2E_OUT/settings-saved-again.png"
! error_box >/dev/null || fail "OK into the folder made writable again said the presets were not saved"
[ "$(sed -n '/^\[Settings\]$/,/^\[/p' "$INI" | grep -c '^d[1-4]=')" -eq 4 ] &&
  ! grep -q '^d1=800 x 600, 32bit color, 60 Hz$' "$INI" ||
  fail "OK into the folder made writable again did not save the presets: $(cat -A "$INI")"
chmod -R u+w "$XDG_CONFIG_HOME"
echo "settings: damaged files survived, nothing rewritten; an unwritable folder left the store as it was," \
  "and the next OK saved; it reads:"
cat "$INI"
