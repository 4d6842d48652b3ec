#!/usr/bin/env bash
# A second start ends at once with exit code 0 and shows nothing; the first keeps its icon.
source "$(dirname "$0")/lib.sh"
start_tray_host
start_tarnvel
start=$(date +%s%N)
timeout 10 "$TARNVEL_BIN" >"$WORK/second.log" 2>&1 || fail "the second start exited with $?"
elapsed=$((($(date +%s%N) - start) / 1000000))
[ "$elapsed" -lt 3000 ] || fail "the second start took $elapsed ms"
panel=$(xdotool search --classname panel | head -n 1)
[ "$(xwininfo -tree -id "$panel" | grep -c '"Tarnvel"')" -eq 1 ] || fail "not exactly one icon"
running || fail "the first instance ended"
open_menu
choose 1
echo "instance: the second start ended after $elapsed ms"
