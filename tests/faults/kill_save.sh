#!/usr/bin/env bash
# Killed in the middle of a save, the store holds one whole save: four values of one round.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work"
ini="$work/Tarnvel/Tarnvel.ini"
for i in $(seq "${ROUNDS:-40}"); do
  "$SAVE_LOOP" &
  pid=$!
  sleep "0.0$((RANDOM % 90 + 10))"
  kill -9 "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { echo "FAIL: save_loop (pid $pid) outlived SIGKILL by 10 s" >&2; exit 1; }
  wait "$pid" 2>/dev/null || true
  [ -f "$ini" ] || { [ "$i" -gt 1 ] && { echo "FAIL: the store vanished" >&2; exit 1; }; continue; }
  rounds=$(sed -n 's/^d[1-4]=round \([0-9]*\), 32bit color, 60 Hz$/\1/p' "$ini" | sort -u)
  keys=$(grep -c '^d[1-4]=' "$ini" || true)
  if [ "$keys" -ne 4 ] || [ "$(wc -l <<<"$rounds")" -ne 1 ] || [ -z "$rounds" ]; then
    echo "FAIL: kill $i left a broken store:" >&2
    cat "$ini" >&2
    exit 1
  fi
done
echo "kill_save: $i kills, the store always held one whole save (last: round $rounds)"
