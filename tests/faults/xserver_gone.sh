#!/usr/bin/env bash
# The X server dies under the running program: it ends within 5 s, by exiting, not by a signal.
set -euo pipefail
state=$(mktemp -d)
trap 'kill -9 "${pid:-}" 2>/dev/null || true; "$XORG_SERVER" stop "$state" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT
"$XORG_SERVER" start "$state" "$XORG_CONFIG" >/dev/null
export DISPLAY XDG_CONFIG_HOME="$state/config" XDG_RUNTIME_DIR="$state/run"
DISPLAY=$(cat "$state/display")
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$TARNVEL_BIN" >"$state/tarnvel.log" 2>&1 &
pid=$!
# Running: it holds its single-instance claim on the server.
for _ in $(seq 150); do timeout 5 "$SELECTION_OWNER" "_TARNVEL_INSTANCE_U$(id -u)" >/dev/null && break; sleep 0.1; done
timeout 5 "$SELECTION_OWNER" "_TARNVEL_INSTANCE_U$(id -u)" >/dev/null ||
  { echo "FAIL: not running on the server after 15 s: $(cat "$state/tarnvel.log")" >&2; exit 1; }
kill -9 "$(cat "$state/pid")"
start=$(date +%s%N)
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  kill -9 "$pid"
  echo "FAIL: still running 5 s after the X server died" >&2
  exit 1
fi
code=0
wait "$pid" || code=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
rm -f "/tmp/.X${DISPLAY#:}-lock" "/tmp/.X11-unix/X${DISPLAY#:}"
[ "$code" -lt 128 ] || { echo "FAIL: ended by signal $((code - 128)): $(cat "$state/tarnvel.log")" >&2; exit 1; }
echo "xserver_gone: ended $elapsed ms after the server, exit code $code: $(head -n 1 "$state/tarnvel.log")"
