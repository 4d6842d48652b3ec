#!/usr/bin/env bash
# Without an X display there is nowhere to show a box: one line on standard error, exit 1.
set -uo pipefail
out=$(timeout -k 2 10 env -u DISPLAY -u WAYLAND_DISPLAY "$TARNVEL_BIN" 2>&1 >/dev/null)
code=$?
[ "$code" -ne 124 ] || { echo "FAIL: still running 10 s after a start without a display" >&2; exit 1; }
[ "$code" -eq 1 ] || { echo "FAIL: exit code $code, output: $out" >&2; exit 1; }
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || { echo "FAIL: not one line: $out" >&2; exit 1; }
out=$(DISPLAY=:199 timeout -k 2 10 "$TARNVEL_BIN" 2>&1 >/dev/null)
code=$?
[ "$code" -ne 124 ] || { echo "FAIL: still running 10 s after a start on a display that is not there" >&2; exit 1; }
[ "$code" -eq 1 ] || { echo "FAIL: exit code $code for a display that is not there: $out" >&2; exit 1; }
echo "no display: $out"
