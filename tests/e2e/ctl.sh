#!/usr/bin/env bash
# tarnvelctl as a user runs it in a terminal, on a real display: what the platform lists, its
# exit codes, a switch that stays after the process has ended, every monitor of a desk of two
# within reach, the way back exact across runs, --revert-after kept with "y", switched back on
# another line and on no answer, and the tray program starting normally while tarnvelctl waits
# for an answer. What is the same on every platform is in ctl_test.cpp.
#   CTL_ON=x11     tarnvelctl on the test Xorg (XRandR)
#   CTL_ON=mutter  tarnvelctl in a nested Mutter session (Mutter's DisplayConfig)
#   CTL_ON=wine    tarnvelctl.exe under Wine on the test Xorg (TARNVELCTL is the .exe)
#   CTL_ON=kwin    tarnvelctl on KWin's virtual outputs (KWin's output management), no X server
#   CTL_ON=scripted  tarnvelctl and the tray program (on the test Xorg) on the tests' scripted
#                  compositor (SCRIPTED_KWIN), KWin's protocols with several modes an output
source "$(dirname "$0")/lib.sh"

case $CTL_ON in
x11 | wine)
  set_mode 1024x768
  # The mode in force as the server has it: 1024x768@75 for "1024x768_75  75.03*".
  in_force() {
    xrandr --current | awk '/\*/ { for (i = 2; i <= NF; i++) if ($i ~ /\*/) {
      r = $i; gsub(/[*+]/, "", r); n = $1; sub(/_.*/, "", n); printf "%s@%d\n", n, r + 0.5; exit } }'
  }
  ;;
mutter)
  MUTTER_STATE="$WORK/mutter"
  trap '"$MUTTER_SESSION" stop "$MUTTER_STATE"; cleanup' EXIT
  # 1920x1080 at 59.94 Hz and no 1400x1050: Mutter's list, not the X server's.
  "$MUTTER_SESSION" start "$MUTTER_STATE" "1024x768:1920x1080@59.94:1024x768@75:800x600" 2 || fail "Mutter did not start"
  source "$MUTTER_STATE/env"  # DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY
  export XDG_SESSION_TYPE=wayland
  mutter_call() {
    bounded "$X_TIMEOUT" gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
      -m "org.gnome.Mutter.DisplayConfig.$1" "${@:2}"
  }
  in_force() {  # the first monitor's, LVDS1, the primary one
    mutter_call GetCurrentState | grep -o "'[0-9]*x[0-9]*@[0-9.]*', [^(]*'is-current': <true>" | head -n 1 |
      cut -d"'" -f2 | awk -F@ '{ printf "%s@%d\n", $1, $2 + 0.5 }'
  }
  # Where monitor $1 is, "+X+Y", and a desk of LVDS1 (primary, 1024 x 768) at $1 and LVDS2 (800 x 600) at $2.
  place_of() { mutter_call GetCurrentState | grep -o "([0-9-]*, [0-9-]*, [0-9.]*, [^[]*\[('$1'" | awk -F'[(, ]+' '{ printf "+%s+%s\n", $2, $3 }'; }
  lay_out() {
    local serial
    serial=$(mutter_call GetCurrentState | sed 's/^(uint32 \([0-9]*\),.*/\1/')
    mutter_call ApplyMonitorsConfig "$serial" 1 "[(${1%,*}, ${1#*,}, 1.0, uint32 0, true, [('LVDS1', '1024x768@60.000', @a{sv} {})]), (${2%,*}, ${2#*,}, 1.0, 0, false, [('LVDS2', '800x600@60.000', @a{sv} {})])]" "@a{sv} {}" >/dev/null
  }
  SECOND=LVDS2
  ;;
kwin)
  KWIN_STATE="$WORK/kwin"
  trap '"$KWIN_SESSION" stop "$KWIN_STATE"; cleanup' EXIT
  "$KWIN_SESSION" start "$KWIN_STATE" 2 || fail "KWin did not start"
  source "$KWIN_STATE/env"  # DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY
  export XDG_SESSION_TYPE=wayland
  unset DISPLAY
  in_force() {  # Virtual-0's, as the compositor announces it to any client
    bounded 10 wayland-info | awk '/^interface: / { out = 0 } /name: Virtual-0$/ { out = 1 }
      out && /width: .* px, height: .* px, refresh:/ { gsub(/,/, ""); mode = $2 "x" $5 "@" int($8 + 0.5) }
      out && /flags: current/ { print mode; exit }'
  }
  ;;
scripted)
  KWIN_STATE="$WORK/kwin"
  trap '"$KWIN_SESSION" stop "$KWIN_STATE"; cleanup' EXIT
  # As Mutter's case: LVDS1, the primary, at 1024 x 768 at $1 and LVDS2 at 800 x 600 at $2
  # ("X,Y"), each with Mutter's four modes; the running compositor lays them out again (SIGHUP).
  lay_out() {
    printf 'desk logical 32\nplace %s %s\nmonitor LVDS1 primary\n%s\nplace %s %s\nmonitor LVDS2\n%s\n' \
      "${1%,*}" "${1#*,}" "$(modes 1024x768@60)" "${2%,*}" "${2#*,}" "$(modes 800x600@60)" >"$WORK/outputs.desk"
    [ -s "$KWIN_STATE/kwin.group" ] || return 0
    kill -HUP "$(cat "$KWIN_STATE/kwin.group")"
    wait_for 10 laid_out "$1" "$2" ||
      fail "the scripted compositor did not lay out LVDS1 at $1 and LVDS2 at $2 within 10 s: $(cat "$KWIN_STATE/desk")"
  }
  modes() {  # Mutter's four, $1 in force
    local m
    for m in 1024x768@60 1920x1080@59.94 1024x768@75 800x600@60; do echo "mode $m$([ "$m" = "$1" ] && echo ' current')"; done
  }
  laid_out() {
    [ "$(place_of LVDS1)" = "+${1/,/+}" ] && [ "$(place_of LVDS2)" = "+${2/,/+}" ] && [ "$(in_force)" = 1024x768@60 ]
  }
  in_force() {  # the primary's mode, as the compositor holds it
    awk '/^monitor/ { primary = $3 == "primary" }
      primary && / current$/ { split($2, m, "@"); printf "%s@%d\n", m[1], m[2] + 0.5; exit }' "$KWIN_STATE/desk"
  }
  place_of() {
    awk -v name="$1" '/^place/ { at = "+" $2 "+" $3 } /^monitor/ && $2 == name { print at; exit }' "$KWIN_STATE/desk"
  }
  lay_out 0,0 1024,0
  "$KWIN_SESSION" scripted "$KWIN_STATE" "$WORK/outputs.desk" "$SCRIPTED_KWIN" || fail "the scripted compositor did not start"
  source "$KWIN_STATE/env"  # WAYLAND_DISPLAY
  export XDG_SESSION_TYPE=wayland
  export KWIN_STATE
  SECOND=LVDS2
  ;;
*) fail "CTL_ON is x11, mutter, wine, kwin or scripted, not '${CTL_ON:-}'" ;;
esac
if [ "$CTL_ON" = x11 ] || [ "$CTL_ON" = wine ]; then
  # A second monitor on the test Xorg: DUMMY1, Windows' second display device.
  xrandr --addmode DUMMY1 1024x768 && xrandr --addmode DUMMY1 800x600 || fail "DUMMY1 takes no modes"
  trap 'xrandr --output DUMMY1 --off; xrandr --output DUMMY0 --mode 1024x768 --pos 0x0; cleanup' EXIT
  place_of() { xrandr --current | sed -n "s/^$1 \(dis\)\{0,1\}connected \(primary \)\{0,1\}[0-9]*x[0-9]*\([-+][0-9]*[-+][0-9]*\).*/\3/p"; }
  lay_out() {
    xrandr --output DUMMY1 --mode 800x600 --pos "${2/,/x}" --output DUMMY0 --mode 1024x768 --pos "${1/,/x}" --primary
    # Wine reads the desk as its session starts: the new one gets a new session.
    if [ "$CTL_ON" = wine ]; then wine_stop; fi
  }
  SECOND=DUMMY1
  [ "$CTL_ON" = wine ] && SECOND='\\.\DISPLAY2'
fi
export -f in_force
CTL=("$TARNVELCTL")
[ "$CTL_ON" = wine ] && CTL=(wine "$TARNVELCTL")
# The program itself, no shell function around it, for what a signal must reach.
CTL_PROCESS=("$TARNVELCTL")
[ "$CTL_ON" = wine ] && CTL_PROCESS=(env wine "$TARNVELCTL")

# Runs tarnvelctl with standard input from $INPUT (nothing by default), for up to $WITHIN
# seconds (60), and collects its output, errors (without Windows' line ends) and exit code.
run() {
  CODE=0
  bounded "${WITHIN:-60}" "${CTL[@]}" "$@" <"${INPUT:-/dev/null}" >"$WORK/out" 2>"$WORK/err" || CODE=$?
  OUT=$(tr -d '\r' <"$WORK/out")
  ERR=$(tr -d '\r' <"$WORK/err")
  echo "\$ tarnvelctl $* -> $CODE"
}
expect() {  # expect CODE ARGS...: the exit code, and nothing on standard output after an error
  local code=$1
  shift
  run "$@"
  [ "$CODE" = "$code" ] || fail "tarnvelctl $*: exit code $CODE instead of $code; out: $OUT; err: $ERR"
  [ "$code" = 0 ] || [ "$code" = 5 ] || [ -z "$OUT" ] || fail "tarnvelctl $*: output after an error: $OUT"
  # Done without a question, it says nothing else (no library's warnings either).
  [ "$code" != 0 ] || [[ "$*" == *--revert-after* ]] || [ -z "$ERR" ] || fail "tarnvelctl $*: said on standard error: $ERR"
}
err_has() { grep -qF -- "$1" <<<"$ERR" || fail "standard error lacks '$1': $ERR"; }
# The mode in force is checked once the process has ended (run waits for it).
stays() { [ "$(in_force)" = "$1" ] || fail "after tarnvelctl ended, $(in_force) is in force instead of $1"; }

store_preset() {  # store_preset N VALUE: where the tray program keeps its presets
  if [ "$CTL_ON" = wine ]; then
    wine reg add 'HKCU\Software\Tarnvel\Settings' /v "d$1" /d "$2" /f >/dev/null || fail "reg add d$1"
  else
    mkdir -p "$(dirname "$INI")"
    printf '[Settings]\nd%s=%s\n' "$1" "$2" >"$INI"
  fi
}
[ "$CTL_ON" = wine ] && { wine reg delete 'HKCU\Software\Tarnvel' /f >/dev/null 2>&1 || true; }

if [ "$CTL_ON" = kwin ]; then
  # KWin 5.27's virtual outputs offer one mode each, 1024 x 768 at 60 Hz: no switch between two
  # modes can be made there. What can: every monitor by KWin's names, the one mode listed and in
  # force, a switch to it, and a mode it does not list refused; all without Qt or an X server.
  row() { printf '%s\t1024 x 768, 32bit color, 60 Hz\t%s' "$1" "$2"; [ -z "${3:-}" ] || printf '\t%s' "$3"; }
  expect 0 monitors
  [ "$OUT" = "$(row Virtual-0 +0+0 primary)"$'\n'"$(row Virtual-1 +1024+0)" ] || fail "monitors on KWin: $OUT"
  expect 0 list
  [ "$OUT" = "1024 x 768, 32bit color, 60 Hz" ] || fail "list on KWin: $OUT"
  expect 0 current
  [ "$OUT" = "1024 x 768, 32bit color, 60 Hz" ] || fail "current on KWin: $OUT"
  expect 0 set 1024x768
  [ "$OUT" = "1024 x 768, 32bit color, 60 Hz" ] || fail "set 1024x768 on KWin printed $OUT"
  stays 1024x768@60
  expect 3 set 800x600
  err_has 'no listed mode matches "800x600"'
  stays 1024x768@60
  expect 0 --monitor Virtual-1 current
  [ "$OUT" = "1024 x 768, 32bit color, 60 Hz" ] || fail "current of Virtual-1: $OUT"
  expect 0 set -m Virtual-1 1024x768
  expect 3 list --monitor NO-SUCH-1
  err_has "no monitor \"NO-SUCH-1\" shows a picture; the monitors that do: "
  err_has Virtual-1
  [ -s "$XDG_RUNTIME_DIR/tarnvel/desk-wayland-$(basename "$WAYLAND_DISPLAY")" ] ||
    fail "no arrangement kept under the compositor's name in $XDG_RUNTIME_DIR/tarnvel: $(ls "$XDG_RUNTIME_DIR/tarnvel" 2>&1)"
  LD_DEBUG=libs bounded 60 "$TARNVELCTL" current </dev/null >/dev/null 2>"$WORK/libs" || fail "current with LD_DEBUG failed"
  grep -q "calling init: .*libwayland-client" "$WORK/libs" || fail "LD_DEBUG shows no libraries loaded: $(head "$WORK/libs")"
  ! grep -E "calling init: .*(tarnvelctl-qt|libQt6)" "$WORK/libs" || fail "tarnvelctl loaded Qt on KWin"
  echo "ctl (kwin): every command and exit code as expected"
  exit 0
fi

# Reading: the platform's own list, and nothing in it that is no mode text.
expect 0 list
if [ "$CTL_ON" = mutter ] || [ "$CTL_ON" = scripted ]; then
  [ "$(wc -l <<<"$OUT")" = 4 ] || fail "list shows other modes than Mutter's four: $OUT"
  grep -qxF "1920 x 1080, 32bit color, 60 Hz" <<<"$OUT" || fail "Mutter's 59.94 Hz does not read 60 Hz: $OUT"
else
  grep -qxF "1400 x 1050, 32bit color, 75 Hz" <<<"$OUT" || fail "list lacks the server's 1400 x 1050: $OUT"
fi
grep -qv ', .*, ' <<<"$OUT" && fail "list printed something that is no mode text: $OUT"

# Switching by short form and by text (unquoted words, letter case ignored); the mode stays.
expect 0 set 800x600
[ "$OUT" = "800 x 600, 32bit color, 60 Hz" ] || fail "set 800x600 printed $OUT"
stays 800x600@60
expect 0 set 1024 X 768, 32BIT COLOR, 75 HZ
stays 1024x768@75
expect 0 current
[ "$OUT" = "1024 x 768, 32bit color, 75 Hz" ] || fail "current after the switch: $OUT"

# Presets from the tray's store; preset 4's default (640 x 480 at the 75 Hz in force) is not
# offered anywhere here, so it is empty.
store_preset 2 "800 X 600, 32bit color, 60 Hz"
expect 0 presets
[ "$(sed -n 2p <<<"$OUT")" = "800 X 600, 32bit color, 60 Hz" ] || fail "presets: line 2 is not the stored value: $OUT"
[ "$(sed -n 4p <<<"$OUT")" = "" ] && [ "$(wc -l <"$WORK/out")" = 4 ] || fail "presets: not four lines ending empty: $OUT"

# Errors and their codes.
expect 3 set 1234x567
err_has "no listed mode matches \"1234x567\""
err_has "see tarnvelctl list"
expect 2 frobnicate
usage=$(bounded 60 "${CTL[@]}" --help </dev/null | tr -d '\r' | head -n 1)
[ -n "$usage" ] && [ "$(sed -n 2p <<<"$ERR")" = "$usage" ] || fail "no usage line after the error: $ERR"
# Nothing written is a failure, not a success: a full disk, a closed output.
CODE=0
bounded 60 "${CTL[@]}" list </dev/null >/dev/full 2>"$WORK/err" || CODE=$?
[ "$CODE" = 6 ] && grep -qF "tarnvelctl: cannot write the output: " "$WORK/err" ||
  fail "list >/dev/full: exit code $CODE: $(cat "$WORK/err")"
if [ "$CTL_ON" != wine ]; then
  CODE=0
  bounded 60 "${CTL[@]}" current </dev/null >&- 2>"$WORK/err" || CODE=$?
  [ "$CODE" = 6 ] && grep -qF "cannot write the output: standard output is closed" "$WORK/err" ||
    fail "current >&-: exit code $CODE: $(cat "$WORK/err")"
fi
if [ "$CTL_ON" = x11 ]; then
  CTL=(env DISPLAY=:199 "$TARNVELCTL")
  expect 1 list
  err_has 'tarnvelctl: cannot open the X display ":199"'
  CTL=("$TARNVELCTL")
fi

# Every monitor within reach: the primary one by default, the second one by name. The primary
# is at 1024 x 768, the second at 800 x 600, left of it and low.
lay_out 800,0 0,500
expect 0 monitors
[ "$(wc -l <<<"$OUT")" = 2 ] || fail "monitors: not one line for each of the two monitors: $OUT"
primary=$(grep -P '\tprimary$' <<<"$OUT") || fail "monitors: no line ends in primary: $OUT"
[ "$(cut -f2,3 <<<"$primary")" = "$(printf '1024 x 768, 32bit color, 60 Hz\t+0+0')" ] || [ "$CTL_ON" != wine ] ||
  fail "monitors: Windows' primary display device is not at +0+0: $primary"
second=$(grep -vP '\tprimary$' <<<"$OUT")
[ "$(cut -f1,2 <<<"$second")" = "$(printf '%s\t800 x 600, 32bit color, 60 Hz' "$SECOND")" ] ||
  fail "monitors: the second monitor's line is $second"
[ "$CTL_ON" = wine ] || [ "$(cut -f3 <<<"$second")" = +0+500 ] || fail "monitors: the second monitor is not at +0+500: $second"
[ "$CTL_ON" != wine ] || [ "$(cut -f3 <<<"$second")" = -800+500 ] ||
  fail "monitors: left of the primary, Windows gives the second a negative x: $second"
expect 0 --monitor "$SECOND" current
[ "$OUT" = "800 x 600, 32bit color, 60 Hz" ] || fail "current of $SECOND: $OUT"
expect 0 set -m "$SECOND" 1024x768
[ "$OUT" = "1024 x 768, 32bit color, 60 Hz" ] || fail "set -m $SECOND printed $OUT"
stays 1024x768@60  # the primary keeps its mode
expect 3 list --monitor NO-SUCH-1
err_has "no monitor \"NO-SUCH-1\" shows a picture; the monitors that do: "
err_has "$SECOND"
if [ "$CTL_ON" != wine ]; then
  # The primary shrinks above the second one, which slides up to stay beside it; two runs later
  # the way back puts it where it was, as the first run kept the arrangement.
  lay_out 800,0 0,700
  expect 0 set 800x600
  [ "$(place_of "$SECOND")" = +0+0 ] || fail "the second monitor did not slide up to +0+0 but is at $(place_of "$SECOND")"
  expect 0 set 1024x768
  [ "$(place_of "$SECOND")" = +0+700 ] || fail "the way back left the second monitor at $(place_of "$SECOND"), not +0+700"
  [ -s "$XDG_RUNTIME_DIR/tarnvel/desk-$([ "$CTL_ON" = x11 ] && echo "x11-${DISPLAY#:}" || echo "wayland-$(basename "$WAYLAND_DISPLAY")")" ] ||
    fail "no arrangement kept in $XDG_RUNTIME_DIR/tarnvel: $(ls "$XDG_RUNTIME_DIR/tarnvel" 2>&1)"
  # A streaming host's do, do again and undo: every switch is planned from the arrangement, so
  # the undo gives it back whatever the second "do" moved.
  at() { [ "$(place_of "$SECOND")" = "$1" ] || fail "$2: the second monitor is at $(place_of "$SECOND"), not $1"; }
  expect 0 set --remember 1920x1080
  at +0+700 "do at 1920 x 1080, which it still touches"
  expect 0 set --remember 800x600
  at +0+0 "do again at 800 x 600"
  expect 0 restore
  stays 1024x768@60
  at +0+700 "undo"
fi
if [ "$CTL_ON" = scripted ]; then
  # A configuration the compositor answers `failed` is a refusal: exit 4, and nothing changed;
  # at once, not after the 10 s a compositor that does not answer is waited for.
  held=$(cat "$KWIN_STATE/desk")
  touch "$KWIN_STATE/fail"
  WITHIN=5 expect 4 set 800x600
  err_has "the display did not take 800 x 600, 32bit color, 60 Hz (code -1); in force now: 1024 x 768, 32bit color, 60 Hz"
  [ "$(cat "$KWIN_STATE/desk")" = "$held" ] || fail "after a refusal the compositor holds $(cat "$KWIN_STATE/desk")"
  rm "$KWIN_STATE/fail"
fi
if [ "$CTL_ON" = x11 ]; then
  # The same on a 2 x 2 grid, the primary at the top right: the monitor under it goes down
  # with it and comes back up.
  for output in DUMMY1 DUMMY2 DUMMY3; do xrandr --addmode "$output" 1024x768 && xrandr --addmode "$output" 1920x1080 &&
    xrandr --addmode "$output" 640x480 || fail "$output takes no modes"; done
  trap 'xrandr --output DUMMY1 --off --output DUMMY2 --off --output DUMMY3 --off; xrandr --output DUMMY0 --mode 1024x768 --pos 0x0; cleanup' EXIT
  grid="DUMMY0 1024x768+0+0 DUMMY1 1024x768+1024+0 DUMMY2 1024x768+0+768 DUMMY3 1024x768+1024+768"
  desk() { xrandr | sed -n 's/^\(DUMMY[0-3]\) connected \(primary \)\{0,1\}\([0-9x+]*\).*/\1 \3/p' | paste -sd' '; }
  xrandr --output DUMMY1 --mode 1024x768 --pos 1024x0 --primary --output DUMMY2 --mode 1024x768 --pos 0x768 \
    --output DUMMY3 --mode 1024x768 --pos 1024x768 --output DUMMY0 --mode 1024x768 --pos 0x0
  [ "$(desk)" = "$grid" ] || fail "the grid was not laid out: $(desk)"
  expect 0 set --remember 1920x1080
  [ "$(desk)" = "DUMMY0 1024x768+0+0 DUMMY1 1920x1080+1024+0 DUMMY2 1024x768+0+768 DUMMY3 1024x768+1024+1080" ] ||
    fail "do on the grid: $(desk)"
  expect 0 set --remember 640x480
  [ "$(desk)" = "DUMMY0 1024x768+0+0 DUMMY1 640x480+1024+0 DUMMY2 1024x768+0+768 DUMMY3 1024x768+1024+768" ] ||
    fail "do again on the grid: $(desk)"
  expect 0 restore
  [ "$(desk)" = "$grid" ] || fail "undo on the grid: $(desk)"
  xrandr --output DUMMY2 --off --output DUMMY3 --off
fi
lay_out 0,0 1024,0
case $CTL_ON in x11 | wine) xrandr --output DUMMY1 --off ;; esac

# Do and undo in separate runs, as a streaming host makes them: the first "do" keeps the mode
# before it, a second one keeps that still, and the "undo" brings it back once.
stays 1024x768@60
expect 0 set --remember 800x600
expect 0 set --remember 1024x768@75
stays 1024x768@75
expect 0 restore
[ "$OUT" = "1024 x 768, 32bit color, 60 Hz" ] || fail "restore switched to $OUT, not the mode before the first --remember"
stays 1024x768@60
expect 3 restore
err_has "nothing is remembered for "
if [ "$CTL_ON" != wine ]; then
  CTL=(env -u XDG_RUNTIME_DIR "$TARNVELCTL")
  expect 6 set --remember 800x600
  err_has "cannot remember the mode in force: XDG_RUNTIME_DIR is not set"
  stays 1024x768@60
  CTL=("$TARNVELCTL")
fi
if [ "$CTL_ON" = x11 ]; then
  # Presets the user cannot read are no defaults to switch to (as root every file reads).
  store_preset 2 "800 x 600, 32bit color, 60 Hz"
  chmod 755 "$WORK" "$XDG_CONFIG_HOME" "$(dirname "$INI")"
  chmod 000 "$INI"
  CTL=(runuser -u nobody -- env DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" "$TARNVELCTL")
  expect 6 preset 2
  err_has "tarnvelctl: cannot read the presets: $INI: "
  stays 1024x768@60
  CTL=("$TARNVELCTL")
  chmod 600 "$INI"
fi

# --revert-after: "y" keeps the mode.
echo y >"$WORK/yes"
INPUT="$WORK/yes" expect 0 set --revert-after 20 800x600@60
stays 800x600@60

# While tarnvelctl waits for an answer, the tray program starts normally; another line than
# "y" then switches back. Standard input is a pipe held open by this script.
mkfifo "$WORK/answer"
exec 3<>"$WORK/answer"
start_ctl_waiting() {  # start_ctl_waiting SECONDS MODE
  : >"$WORK/err"
  # With job control, as from a terminal: a background job would start with SIGINT ignored.
  set -m
  "${CTL_PROCESS[@]}" set --revert-after "$1" "$2" <"$WORK/answer" >"$WORK/out" 2>"$WORK/err" &
  CTL_PID=$!
  set +m
  PIDS+=("$CTL_PID")
  wait_for 30 grep -q "keep" "$WORK/err" || fail "tarnvelctl asked nothing within 30 s: $(cat "$WORK/err")"
}
start_ctl_waiting 120 1024x768@75
stays 1024x768@75
start_tray_host
start_tarnvel
running || fail "the tray program did not keep running beside tarnvelctl"
kill -0 "$CTL_PID" || fail "tarnvelctl ended before it was answered: $(cat "$WORK/err")"
echo no >&3
reap "$CTL_PID" 15 "tarnvelctl answered no"
[ "$REAPED" = 5 ] || fail "answered no, tarnvelctl exited with $REAPED: $(cat "$WORK/err")"
stays 800x600@60
running || fail "the tray program ended with tarnvelctl"

# No answer in time: switched back, and the process ends although its input is still open.
start_ctl_waiting 2 1024x768@75
reap "$CTL_PID" 20 "tarnvelctl left without an answer"
[ "$REAPED" = 5 ] || fail "without an answer, tarnvelctl exited with $REAPED: $(cat "$WORK/err")"
grep -qF "no answer within 2 s: switched back to 800 x 600, 32bit color, 60 Hz" "$WORK/err" ||
  fail "no word of the way back: $(cat "$WORK/err")"
stays 800x600@60

# Whatever ends the wait switches back: Ctrl+C, kill, the terminal closing. Wine turns SIGINT
# into the console's Ctrl+C and ends at the others as any Unix program does.
signals=(INT TERM HUP)
[ "$CTL_ON" = wine ] && signals=(INT)
for signal in "${signals[@]}"; do
  start_ctl_waiting 120 1024x768@75
  stays 1024x768@75
  kill -"$signal" "$CTL_PID"
  reap "$CTL_PID" 15 "tarnvelctl sent SIG$signal"
  [ "$REAPED" = 5 ] || fail "sent SIG$signal, tarnvelctl exited with $REAPED: $(cat "$WORK/err")"
  case $signal in INT) said=interrupted ;; TERM) said=terminated ;; *) said="hung up" ;; esac
  tr -d '\r' <"$WORK/err" | grep -qF "tarnvelctl: $said: switched back to 800 x 600, 32bit color, 60 Hz" ||
    fail "sent SIG$signal, no word of the way back: $(cat "$WORK/err")"
  stays 800x600@60
done
if [ "$CTL_ON" != wine ]; then
  # The reader of its output going away ends the wait at once, not at the next line written.
  start=$SECONDS
  set +e
  bounded 60 "$TARNVELCTL" set --revert-after 60 1024x768@75 <"$WORK/answer" 2>"$WORK/err" | sleep 1
  CODE=${PIPESTATUS[0]}
  set -e
  [ "$CODE" = 5 ] && grep -qF "tarnvelctl: output closed: switched back to 800 x 600" "$WORK/err" ||
    fail "with its reader gone, tarnvelctl exited with $CODE after $((SECONDS - start)) s: $(cat "$WORK/err")"
  [ $((SECONDS - start)) -lt 30 ] || fail "with its reader gone, tarnvelctl waited $((SECONDS - start)) s"
  stays 800x600@60
fi
exec 3>&-
if [ "$CTL_ON" != wine ]; then
  # The tray program and tarnvelctl plan from one arrangement: a "do" from tarnvelctl, a switch
  # from the tray's menu (preset 1, 800 x 600), and the "undo" gives the arrangement back. The
  # tray program starts again with both presets set, so that the menu's rows are known.
  kill "$TARNVEL_PID"
  reap "$TARNVEL_PID" 15 "the tray program sent SIGTERM"
  printf '[Settings]\nd1=800 x 600, 32bit color, 60 Hz\nd2=1024 x 768, 32bit color, 60 Hz\n' >"$INI"
  start_tarnvel
  lay_out 800,0 0,700
  expect 0 set --remember 1920x1080
  open_menu
  choose "$M_PRESET1"
  in_force_is() { [ "$(in_force)" = "$1" ]; }
  wait_for 10 in_force_is 800x600@60 || fail "the tray's preset 1 did not switch to 800 x 600: $(in_force)"
  at +0+0 "the tray's switch to 800 x 600"
  expect 0 restore
  stays 1024x768@60
  at +0+700 "undo after the tray's switch"
fi
echo "ctl ($CTL_ON): every command, exit code and revert as expected"
