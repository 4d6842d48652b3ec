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

# A crashed instance blocks nothing; then ten starts at the same moment: exactly one
# survives, and its icon works.
kill -9 "$TARNVEL_PID"
wait "$TARNVEL_PID" 2>/dev/null || true
wait_for 5 bash -c '! xwininfo -tree -id "$(xdotool search --classname panel | head -n 1)" | grep -q "\"Tarnvel\""' ||
  fail "the icon stayed after the program was killed"
[ -n "$(ls -A "$XDG_RUNTIME_DIR")" ] || fail "the crashed instance left no lock to take over: nothing tested"
starts=()
for _ in $(seq 10); do
  "$TARNVEL_BIN" >>"$WORK/ten.log" 2>&1 &
  starts+=($!)
  PIDS+=($!)
done
wait_for 15 icon_docked || fail "none of ten starts docked an icon"
sleep 1
alive=()
for pid in "${starts[@]}"; do kill -0 "$pid" 2>/dev/null && alive+=("$pid"); done
[ "${#alive[@]}" -eq 1 ] || fail "${#alive[@]} of ten simultaneous starts are running"
TARNVEL_PID=${alive[0]}
open_menu
choose 1
running || fail "the survivor ended"
echo "instance: one of ten simultaneous starts runs"
