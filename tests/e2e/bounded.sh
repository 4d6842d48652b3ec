#!/usr/bin/env bash
# The end-to-end steps never wait for ever: with the tray host gone, looking for the icon
# gives up in time and says what it waited for, and an X client that does not answer is cut
# off with its command line.
source "$(dirname "$0")/lib.sh"
start_tray_host
trayer_pid=${PIDS[0]}
kill "$trayer_pid"
reap "$trayer_pid" 10 "trayer"
wait_for 5 bash -c '! panel_window' || fail "the tray host's window stayed after it was killed"

# Without a tray host window, xwininfo would be handed no window and wait for a click.
start=${EPOCHREALTIME//[!0-9]/}
bounded 30 bash -c 'wait_for 2 icon_docked' && fail "found an icon without a tray host"
[ $? -ne 124 ] || fail "looking for the icon without a tray host did not give up within 30 s"
elapsed=$(((${EPOCHREALTIME//[!0-9]/} - start) / 1000))
[ "$elapsed" -lt 10000 ] || fail "looking for the icon for 2 s took $elapsed ms"
xwininfo -tree -id "" 2>"$WORK/err" && fail "xwininfo ran without a window"
grep -q 'no window id' "$WORK/err" || fail "xwininfo without a window did not say why: $(cat "$WORK/err")"

# A client that hangs is ended, and the failure names it.
X_TIMEOUT=1 xdotool sleep 30 2>"$WORK/err" && fail "a 30 s xdotool call ended well within 1 s"
grep -q "TIMEOUT: 'xdotool sleep 30' did not end within 1 s" "$WORK/err" || fail "the timeout did not name the call: $(cat "$WORK/err")"
echo "bounded: without a tray host, a 2 s wait for the icon gave up after $elapsed ms"
