#!/usr/bin/env bash
# The Windows installer and uninstaller under Wine, as a user meets them:
#   - the wizard's pages with their defaults (start at sign-in on, PATH off), PATH ticked over a
#     Path too long to change (a message, the Path left alone), "Start Tarnvel now" docking it;
#   - the Run value starting Tarnvel at the next sign-in;
#   - a silent uninstall while it runs: everything gone but the presets, the Path as before;
#   - an older version installed with /ADDTOPATH=1 over a three-entry Path (one entry added,
#     the type kept, WM_SETTINGCHANGE sent), then the new version installed silently over it
#     while it runs: closed, upgraded in place, started again;
#   - a second install into another folder (a blank and non-ASCII letters in its name): the copy
#     moves there, entries and Path entry with it, and the folders it leaves go; the old
#     uninstaller, put back, then touches nothing of it, and its own removes all it made;
#   - a quoted /D= after another switch: a message that says how to write it, exit code 2;
#   - /ADDTOPATH=1 /AUTOSTART=0 over a 1,500-character Path, and the uninstaller's own pages;
#   - the portable zip's files.
# Each Path is compared byte for byte, as `reg export` writes it.
source "$(dirname "$0")/../e2e/lib.sh"
export LC_ALL=C.UTF-8  # Wine reads a command line's non-ASCII letters as written
set_mode 1024x768
shots=$E2E_OUT/installer
mkdir -p "$shots"
rm -f "$shots"/*.png "$shots"/*.txt

UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnvel'
RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
local_win=$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r') || fail "wine cmd could not say %LOCALAPPDATA%"
[ -n "$local_win" ] && [ "$local_win" != %LOCALAPPDATA% ] || fail "Wine names no %LOCALAPPDATA%"
INSTDIR="$local_win\\Programs\\Tarnvel"
appdata_win=$(wine cmd /c echo %APPDATA% | tr -d '\r') || fail "wine cmd could not say %APPDATA%"
unix() { winepath -u "$1" 2>/dev/null | tr -d '\r' | grep . || fail "winepath could not turn $1 into a path"; }
DIR=$(unix "$INSTDIR") || exit 1
RECORDS=$(unix "$local_win\\Tarnvel") || exit 1
SHORTCUT=$(unix "$appdata_win\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnvel.lnk") || exit 1
MY_APPS=$(unix 'C:\My Apps') || exit 1  # a folder the installer makes for a copy moved into it
PROGRAMS=$(unix "$local_win\\Programs") || exit 1
drive_c=$(unix 'C:\') || exit 1
drive_c=${drive_c%/}
TRAY_EXE="$INSTDIR\\tarnvel.exe"

# The data of registry value $2 of key $1 (fails when there is none); reg_type its type. reg
# writes to a pipe in the console's code page.
reg_get() { wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP850 -t UTF-8 | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p" | grep -x '.*' ; }
reg_type() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name {print $2}'; }
# The user's Path as `reg export` writes it (hex for REG_EXPAND_SZ), or "none".
path_bytes() {
  wine reg export 'HKCU\Environment' "$WORK/env.reg" /y >/dev/null 2>&1 || { echo none; return; }
  iconv -f UTF-16 -t UTF-8 "$WORK/env.reg" | tr -d '\r' |
    awk '/^"Path"=/ {on = 1} on {print; if ($0 !~ /\\$/) exit}' | grep . || echo none
}
set_path() { wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$1" /f >/dev/null || fail "could not set the Path"; }
capture_registry() {  # the keys the installer touches, as text, into $shots/registry-$1.txt
  local key
  for key in "$UNINSTALL_KEY" "$RUN_KEY" 'HKCU\Environment' 'HKCU\Software\Tarnvel'; do
    echo "> reg query $key /s"
    wine reg query "$key" /s 2>&1 | iconv -f CP850 -t UTF-8 | tr -d '\r' || true
  done >"$shots/registry-$1.txt"
  # and the folders the installs go to, as Windows names them
  { echo "> folders"; find "$PROGRAMS" "$MY_APPS" 2>/dev/null | sed "s|^$drive_c|C:|; s|/|\\\\|g" | sort || true; } >>"$shots/registry-$1.txt"
}
# Leaves the tests' prefix as this test found it, whatever step failed: no Run value (Wine would
# start Tarnvel at every later start of a session), no uninstall key, the Path as it was.
original_path=$(path_bytes)
wine reg query 'HKCU\Software\Tarnvel' >/dev/null 2>&1 && had_presets=1 || had_presets=0
restore_prefix() {
  wine_stop
  wine reg delete "$RUN_KEY" /v Tarnvel /f >/dev/null 2>&1 || true
  wine reg delete "$UNINSTALL_KEY" /f >/dev/null 2>&1 || true
  wine reg delete 'HKCU\Environment' /v Path /f >/dev/null 2>&1 || true
  if [ "$original_path" != none ]; then
    { printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Environment]\n'; echo "$original_path"; } >"$WORK/restore.reg"
    wine reg import "$WORK/restore.reg" >/dev/null 2>&1 || true
  fi
  [ "$had_presets" = 1 ] || wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true
  rm -rf "$DIR" "$RECORDS" "$SHORTCUT" "$MY_APPS"
}
trap 'restore_prefix; cleanup' EXIT
restore_prefix

# The shown installer or uninstaller window whose title starts with $1: its controls, a check
# box as "[x] text".
page() { wine "$SHELL_POKE" read-window "$1" 2>/dev/null | tr -d '\r'; }
page_shows() { page "$1" | grep -qF -- "$2"; }
# Waits for the page of window $1 that shows $2, saves it as $3, then presses keys $4... with
# the pointer over the window (without a window manager the keyboard follows the pointer).
on_page() {
  local title=$1 text=$2 shot=$3 id
  shift 3
  wait_for 30 page_shows "$title" "$text" || fail "no page showing \"$text\" in \"$title\": $(page "$title")"
  sleep 0.3
  import -window root "$shots/$shot.png"
  page "$title" >"$shots/$shot.txt"
  id=$(xdotool search --onlyvisible --name "^$title" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 300)) $((Y + 100))
  [ $# -eq 0 ] || xdotool key --delay 100 "$@"
}
# The installed tray programs running in this test's prefix.
tray_pids() {
  local pid
  for pid in $(pgrep -f 'Programs.Tarnvel.tarnvel\.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  return 0
}
one_tray() { [ "$(tray_pids | wc -l)" = 1 ]; }

# What an install leaves: the files as built, the Start menu shortcut, the uninstall entry.
check_installed() {  # check_installed VERSION
  local f value
  for f in tarnvel.exe tarnvelctl.exe; do
    cmp -s "$DIR/$f" "$(dirname "$TARNVEL_EXE")/$f" || fail "$INSTDIR\\$f is not the $1 build's $f"
  done
  [ -f "$DIR/LICENSE.txt" ] && [ -f "$DIR/Uninstall.exe" ] || fail "no LICENSE.txt or Uninstall.exe in $INSTDIR: $(ls "$DIR")"
  [ -f "$SHORTCUT" ] && strings -el "$SHORTCUT" | grep -qi 'tarnvel\.exe' ||
    fail "no Start menu shortcut to tarnvel.exe at $SHORTCUT"
  for f in "DisplayName=Tarnvel" "DisplayVersion=$1" "Publisher=Quorvane" "DisplayIcon=$INSTDIR\\tarnvel.exe,0" \
    "InstallLocation=$INSTDIR" "UninstallString=\"$INSTDIR\\Uninstall.exe\""; do
    value=$(reg_get "$UNINSTALL_KEY" "${f%%=*}") || fail "the uninstall key has no ${f%%=*}"
    [ "$value" = "${f#*=}" ] || fail "the uninstall key's ${f%%=*} is \"$value\", not \"${f#*=}\""
  done
  value=$(reg_get "$UNINSTALL_KEY" EstimatedSize) || fail "the uninstall key has no EstimatedSize"
  # At least what the two programs take, which is most of it.
  local programs=$((($(stat -c %s "$TARNVEL_EXE") + $(stat -c %s "$(dirname "$TARNVEL_EXE")/tarnvelctl.exe")) / 1024))
  [ $((value)) -ge "$programs" ] || fail "EstimatedSize is $((value)) KB for the $programs KB of the two programs alone"
  [ "$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' | tr -d '\r' | grep -ci tarnvel)" = 1 ] ||
    fail "Apps & features lists Tarnvel more than once"
}
check_autostart() {  # check_autostart 1|0
  local value
  if [ "$1" = 1 ]; then
    value=$(reg_get "$RUN_KEY" Tarnvel) || fail "no Run value: Tarnvel does not start at sign-in"
    [ "$value" = "\"$TRAY_EXE\"" ] || fail "the Run value is $value"
  else
    reg_get "$RUN_KEY" Tarnvel >/dev/null && fail "a Run value was written with start at sign-in off"
  fi
  return 0
}
# A silent uninstall: the uninstaller copies itself away and returns at once; its copy has done
# when Wine's server has no program left to run.
uninstall_silently() {
  wine "$INSTDIR\\Uninstall.exe" /S || fail "Uninstall.exe /S exited with $?"
  bounded 120 wineserver -w || fail "Wine's programs did not end within 120 s of the silent uninstall (is Tarnvel still running?)"
}
check_removed() {  # check_removed PATH_BEFORE
  [ ! -e "$DIR" ] || fail "the uninstall left $INSTDIR: $(ls "$DIR")"
  [ ! -e "$SHORTCUT" ] || fail "the uninstall left the Start menu shortcut"
  [ ! -e "$RECORDS" ] || fail "the uninstall left tarnvelctl's records in $local_win\\Tarnvel"
  wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "the uninstall left its key in Apps & features"
  reg_get "$RUN_KEY" Tarnvel >/dev/null && fail "the uninstall left the Run value"
  [ "$(reg_get 'HKCU\Software\Tarnvel\Settings' d1)" = "800 x 600, 32bit color, 60 Hz" ] ||
    fail "the uninstall did not keep the presets: $(wine reg query 'HKCU\Software\Tarnvel' /s 2>&1 | tr -d '\r')"
  [ "$(path_bytes)" = "$1" ] || fail "the Path after the uninstall is not the Path before the install:
before: $1
after:  $(path_bytes)"
}
leave_records() {  # what the uninstaller must not leave: tarnvelctl's records, beside the presets
  mkdir -p "$RECORDS"
  echo "1024 x 768, 32bit color, 60 Hz" >"$RECORDS/mode-record"
  wine reg add 'HKCU\Software\Tarnvel\Settings' /v d1 /d "800 x 600, 32bit color, 60 Hz" /f >/dev/null
}

# The portable zip beside the installer: one folder with both programs as built, the license
# and the text on running them.
zip=${TARNVEL_INSTALLER%.exe}.zip
top=$(basename "$zip" .zip)
mkdir -p "$WORK/zip"
unzip -q "$zip" -d "$WORK/zip" || fail "cannot unpack $zip"
[ "$(cd "$WORK/zip" && find . -type f | sort | tr '\n' ' ')" = "./$top/LICENSE.txt ./$top/README.txt ./$top/tarnvel.exe ./$top/tarnvelctl.exe " ] ||
  fail "the zip holds $(cd "$WORK/zip" && find . -type f | sort | tr '\n' ' ')"
for f in tarnvel.exe tarnvelctl.exe; do
  cmp -s "$WORK/zip/$top/$f" "$(dirname "$TARNVEL_EXE")/$f" || fail "the zip's $f is not the build's"
done
grep -q "Copyright (c) .* Quorvane" "$WORK/zip/$top/LICENSE.txt" || fail "the zip's license names no Quorvane"

start_tray_host
long=""
for ((i = 0; ${#long} < 1500; i++)); do long+="C:\\Tools\\Kit$i\\bin;"; done
long="${long:0:1499};"
[ ${#long} = 1500 ] || fail "the long Path is ${#long} characters"
capture_registry 1-before-install

# --- the wizard, over a 1,500-character Path ------------------------------------------------
set_path "$long"
long_before=$(path_bytes)
bounded 180 wine "$TARNVEL_INSTALLER" >"$WORK/wizard.log" 2>&1 &
wizard=$!
PIDS+=("$wizard")
on_page "Tarnvel Setup" "Tarnvel will be installed in $INSTDIR." 1-welcome Return
on_page "Tarnvel Setup" "Tarnvel is given to you on these terms" 2-license Return
on_page "Tarnvel Setup" "&Start Tarnvel when I sign in" 3-options
page "Tarnvel Setup" | grep -qxF "Button: [x] &Start Tarnvel when I sign in" || fail "start at sign-in is not ticked by default"
page "Tarnvel Setup" | grep -qxF "Button: [ ] &Add tarnvelctl's folder to my PATH" || fail "the PATH box is ticked by default"
xdotool key alt+a
wait_for 5 page_shows "Tarnvel Setup" "[x] &Add tarnvelctl's folder to my PATH" || fail "Alt+A did not tick the PATH box"
import -window root "$shots/3-options-path-ticked.png"
xdotool key Return
long_box() { wine "$SHELL_POKE" read-box "Tarnvel Setup" 2>/dev/null | tr -d '\r' | grep -q 'too long for this installer'; }
wait_for 30 long_box || fail "no message that the Path is too long to change"
import -window root "$shots/4-installing-path-too-long.png"
box=$(xdotool search --onlyvisible --name '^Tarnvel Setup$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + 20)) key Return
on_page "Tarnvel Setup" "Start Tarnvel now" 5-finish
page "Tarnvel Setup" | grep -qxF "Button: [x] Start Tarnvel now" || fail "\"Start Tarnvel now\" is not ticked"
xdotool key Return
reap "$wizard" 30 "the installer"
[ "$REAPED" = 0 ] || fail "the installer exited with $REAPED"
wait_for 30 icon_docked || fail "\"Start Tarnvel now\" did not dock Tarnvel's icon"
check_installed "$TARNVEL_VERSION"
check_autostart 1
[ "$(path_bytes)" = "$long_before" ] || fail "the installer changed a Path too long for it: $(path_bytes)"
capture_registry 2-after-wizard-install

# --- start at sign-in: Wine's session start runs the Run values -------------------------------
wine_stop
wait_for 10 no_icon || fail "the icon stayed after Wine's programs were ended"
wine wineboot >/dev/null 2>&1 || fail "wineboot (the session's start) failed"
wait_for 30 icon_docked || fail "the Run value did not start Tarnvel at the session's start"
one_tray || fail "not one Tarnvel after sign-in: $(tray_pids)"

# --- a silent uninstall while it runs ---------------------------------------------------------
leave_records
uninstall_silently
check_removed "$long_before"
wait_for 10 no_icon || fail "the uninstall left the icon docked"
capture_registry 3-after-silent-uninstall

# --- an older version, then this one over it while it runs ------------------------------------
three='%USERPROFILE%\bin;C:\Tools;C:\Program Files\Thing'
set_path "$three"
three_before=$(path_bytes)
[ -f "$NSIS_SCRIPT" ] || fail "no installer script at $NSIS_SCRIPT: cmake --workflow --preset windows"
# Older files too, so that an upgrade that keeps a file shows: shell_poke stands in for the old
# tarnvelctl.exe.
mkdir -p "$WORK/old"
cp "$(dirname "$NSIS_SCRIPT")"/Tarnvel-*-win64/{tarnvel.exe,LICENSE.txt} "$WORK/old/" || fail "no files packaged beside $NSIS_SCRIPT"
cp "$SHELL_POKE" "$WORK/old/tarnvelctl.exe"
bounded 60 makensis -V2 -DVERSION=0.0.1 -DOUTFILE="$WORK/Tarnvel-0.0.1-win64.exe" -DFILES="$WORK/old" "$NSIS_SCRIPT" \
  >"$WORK/makensis.log" 2>&1 || fail "makensis of the older installer: $(tail -n 5 "$WORK/makensis.log")"
wine "$SHELL_POKE" wait-setting-change 60 >"$WORK/listen.log" 2>&1 &
listener=$!
PIDS+=("$listener")
wait_for 30 grep -q listening "$WORK/listen.log" || fail "the WM_SETTINGCHANGE listener did not start: $(cat "$WORK/listen.log")"
wine "$WORK/Tarnvel-0.0.1-win64.exe" /S /ADDTOPATH=1 || fail "the older installer /S /ADDTOPATH=1 exited with $?"
reap "$listener" 30 "the listener waiting for WM_SETTINGCHANGE after the Path changed"
[ "$REAPED" = 0 ] || fail "no WM_SETTINGCHANGE after adding to the Path: $(tr -d '\r' <"$WORK/listen.log")"
[ "$(reg_get 'HKCU\Environment' Path)" = "$three;$INSTDIR" ] ||
  fail "/ADDTOPATH=1 over a three-entry Path gave \"$(reg_get 'HKCU\Environment' Path)\""
[ "$(reg_type 'HKCU\Environment' Path)" = REG_EXPAND_SZ ] || fail "the Path became $(reg_type 'HKCU\Environment' Path)"
path_with_entry=$(path_bytes)
capture_registry 4-after-older-install-addtopath
[ "$(reg_get "$UNINSTALL_KEY" DisplayVersion)" = 0.0.1 ] || fail "the older installer did not register 0.0.1"
TARNVEL_EXE=$TRAY_EXE start_tarnvel
old_pid=$TARNVEL_PID

wine "$TARNVEL_INSTALLER" /S || fail "the installer /S over the running older version exited with $?"
reap "$old_pid" 15 "the running older Tarnvel, sent WM_CLOSE by the installer,"
wait_for 30 icon_docked || fail "the installer did not start Tarnvel again"
one_tray || fail "not one Tarnvel after the upgrade: $(tray_pids)"
check_installed "$TARNVEL_VERSION"
check_autostart 1
[ "$(path_bytes)" = "$path_with_entry" ] || fail "the upgrade changed the Path: $(reg_get 'HKCU\Environment' Path)"
capture_registry 5-after-upgrade

leave_records
uninstall_silently
check_removed "$three_before"
capture_registry 6-after-uninstall-with-path

# --- a second install into another folder moves the copy --------------------------------------
set_path "$three"
wine "$TARNVEL_INSTALLER" /S /ADDTOPATH=1 || fail "the installer /S /ADDTOPATH=1 exited with $?"
check_installed "$TARNVEL_VERSION"
cp "$DIR/Uninstall.exe" "$WORK/old-uninstall.exe"
old_instdir=$INSTDIR old_dir=$DIR
capture_registry 7-before-move
# /D= comes last and unquoted, blanks and all: as cmd passes it on.
installer_win=$(winepath -w "$TARNVEL_INSTALLER" | tr -d '\r')
wine cmd /C "$installer_win /S /D=C:\My Apps\Tärnvél Test" || fail "the install into C:\My Apps\Tärnvél Test exited with $?"
INSTDIR='C:\My Apps\Tärnvél Test' TRAY_EXE='C:\My Apps\Tärnvél Test\tarnvel.exe'
DIR=$(unix "$INSTDIR") || exit 1
capture_registry 8-after-move
check_installed "$TARNVEL_VERSION"
check_autostart 1
[ ! -e "$old_dir" ] || fail "the move left $old_instdir: $(ls "$old_dir")"
strings -el "$SHORTCUT" | grep -qF 'Test\tarnvel.exe' || fail "the Start menu shortcut does not point into $INSTDIR"
[ "$(reg_get 'HKCU\Environment' Path)" = "$three;$INSTDIR" ] ||
  fail "the Path entry did not move with the copy: $(reg_get 'HKCU\Environment' Path)"
# The uninstaller of the old folder, put back there, is not the copy's: it takes its own files.
mkdir -p "$old_dir"
cp "$WORK/old-uninstall.exe" "$old_dir/Uninstall.exe"
wine "$old_instdir\\Uninstall.exe" /S || fail "the old folder's Uninstall.exe /S exited with $?"
bounded 120 wineserver -w || fail "Wine's programs did not end within 120 s of the old folder's uninstall"
capture_registry 9-after-old-uninstaller
[ ! -e "$old_dir" ] || fail "the old folder's uninstaller left its folder: $(ls "$old_dir")"
diff <(sed '/^> folders/,$d' "$shots/registry-8-after-move.txt") <(sed '/^> folders/,$d' "$shots/registry-9-after-old-uninstaller.txt") >&2 ||
  fail "the old folder's uninstaller changed the registry of the copy in $INSTDIR"
check_installed "$TARNVEL_VERSION"
[ -f "$SHORTCUT" ] || fail "the old folder's uninstaller took the copy's Start menu shortcut"
leave_records
uninstall_silently
check_removed "$three_before"
[ ! -e "$MY_APPS" ] || fail "the uninstall left C:\My Apps, which the install made: $(ls -R "$MY_APPS")"
capture_registry 10-after-moved-uninstall
INSTDIR=$old_instdir DIR=$old_dir TRAY_EXE="$old_instdir\\tarnvel.exe"

# --- /D= quoted after another switch: what is wrong, and how to write it ----------------------
# wine quotes the word with blanks, as a user who types the quotes in a Command Prompt.
code=0
wine "$TARNVEL_INSTALLER" /S /AUTOSTART=1 '/D=C:\My Apps\Z' || code=$?
[ "$code" = 2 ] || fail "a silent install with a quoted /D= exited with $code, not 2"
# A folder that is not whole would go to the default folder, as Windows' installers pass over it.
code=0
wine cmd /C "$installer_win /S /D=relative\\dir" || code=$?
[ "$code" = 2 ] || fail "a silent install with /D=relative\\dir exited with $code, not 2"
[ ! -e "$MY_APPS" ] && ! wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1 || fail "a quoted or relative /D= installed something"
bounded 60 wine "$TARNVEL_INSTALLER" /AUTOSTART=1 '/D=C:\My Apps\Z' >"$WORK/quoted.log" 2>&1 &
quoted=$!
PIDS+=("$quoted")
quoted_box() { wine "$SHELL_POKE" read-box "Tarnvel Setup" 2>/dev/null | tr -d '\r' | grep -qF '/D= must come last and without quotes'; }
wait_for 30 quoted_box || fail "no message that /D= comes last and unquoted: $(wine "$SHELL_POKE" read-box "Tarnvel Setup" 2>&1)"
wine "$SHELL_POKE" read-box "Tarnvel Setup" 2>/dev/null | tr -d '\r' >"$shots/11-quoted-folder.txt"
import -window root "$shots/11-quoted-folder.png"
grep -qF '/D=C:\My Apps\Tarnvel' "$shots/11-quoted-folder.txt" || fail "the message shows no example of /D=: $(cat "$shots/11-quoted-folder.txt")"
box=$(xdotool search --onlyvisible --name '^Tarnvel Setup$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + 20)) key Return
reap "$quoted" 30 "the installer with a quoted /D="
[ "$REAPED" = 2 ] || fail "the installer with a quoted /D= exited with $REAPED after its message, not 2"

# --- /ADDTOPATH=1 /AUTOSTART=0 over a 1,500-character Path, and the uninstaller's pages -------
set_path "$long"
wine "$TARNVEL_INSTALLER" /S /ADDTOPATH=1 /AUTOSTART=0 || fail "the installer /S /ADDTOPATH=1 /AUTOSTART=0 exited with $?"
[ "$(path_bytes)" = "$long_before" ] || fail "/ADDTOPATH=1 changed a Path too long for it: $(path_bytes)"
check_installed "$TARNVEL_VERSION"
check_autostart 0
tray_pids | grep -q . && fail "a silent install started Tarnvel, which was not running"
leave_records
wine "$INSTDIR\\Uninstall.exe" >"$WORK/uninstaller.log" 2>&1 || fail "Uninstall.exe exited with $?"
on_page "Tarnvel Uninstall" "Your presets stay in HKEY_CURRENT_USER\\Software\\Tarnvel\\Settings" 6-uninstall-confirm Return
on_page "Tarnvel Uninstall" "Your presets were kept in HKEY_CURRENT_USER\\Software\\Tarnvel\\Settings" 7-uninstall-finish Return
bounded 120 wineserver -w || fail "Wine's programs did not end within 120 s of the uninstall"
check_removed "$long_before"
echo "installer: wizard, sign-in, silent uninstall, upgrade over a running older version, long Path: pages in $shots"
