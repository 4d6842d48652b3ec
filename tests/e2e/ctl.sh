#!/usr/bin/env bash
# tarnvelctl as a user runs it in a terminal, on a real display: what the platform lists, its
# exit codes, a switch that stays after the process has ended, --revert-after kept with "y",
# switched back on another line and on no answer, and the tray program starting normally while
# tarnvelctl waits for an answer. What is the same on every platform is in ctl_test.cpp.
#   CTL_ON=x11     tarnvelctl on the test Xorg (XRandR)
#   CTL_ON=mutter  tarnvelctl in a nested Mutter session (Mutter's DisplayConfig)
#   CTL_ON=wine    tarnvelctl.exe under Wine on the test Xorg (TARNVELCTL is the .exe)
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
  "$MUTTER_SESSION" start "$MUTTER_STATE" "1024x768:1920x1080@59.94:1024x768@75:800x600" || fail "Mutter did not start"
  source "$MUTTER_STATE/env"  # DBUS_SESSION_BUS_ADDRESS, WAYLAND_DISPLAY
  export XDG_SESSION_TYPE=wayland
  in_force() {
    bounded "$X_TIMEOUT" gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
      -m org.gnome.Mutter.DisplayConfig.GetCurrentState |
      grep -o "'[0-9]*x[0-9]*@[0-9.]*', [^(]*'is-current': <true>" | cut -d"'" -f2 |
      awk -F@ '{ printf "%s@%d\n", $1, $2 + 0.5 }'
  }
  ;;
*) fail "CTL_ON is x11, mutter or wine, not '${CTL_ON:-}'" ;;
esac
export -f in_force
CTL=("$TARNVELCTL")
[ "$CTL_ON" = wine ] && CTL=(wine "$TARNVELCTL")

# Runs tarnvelctl with standard input from $INPUT (nothing by default) and collects its
# output, errors (without Windows' line ends) and exit code.
run() {
  CODE=0
  bounded 60 "${CTL[@]}" "$@" <"${INPUT:-/dev/null}" >"$WORK/out" 2>"$WORK/err" || CODE=$?
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

# Reading: the platform's own list, and nothing in it that is no mode text.
expect 0 list
if [ "$CTL_ON" = mutter ]; then
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
[ "$(sed -n 2p <<<"$ERR")" = "usage: tarnvelctl list | current | presets | set [--revert-after SECONDS] MODE | preset [--revert-after SECONDS] N | --help | --version" ] ||
  fail "no usage line after the error: $ERR"
if [ "$CTL_ON" = x11 ]; then
  CTL=(env DISPLAY=:199 "$TARNVELCTL")
  expect 1 list
  err_has 'tarnvelctl: cannot open the X display ":199"'
  CTL=("$TARNVELCTL")
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
  "${CTL[@]}" set --revert-after "$1" "$2" <"$WORK/answer" >"$WORK/out" 2>"$WORK/err" &
  CTL_PID=$!
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
exec 3>&-
echo "ctl ($CTL_ON): every command, exit code and revert as expected"
