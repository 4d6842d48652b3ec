#!/usr/bin/env bash
# Resizing the editor, kept clear of the tray host in the top right corner: made small, the
# panels overlap; made large again, nothing of that is left painted anywhere, and the window
# looks exactly as it did at that size before.
source "$(dirname "$0")/lib.sh"
set_mode 1024x768
start_tray_host
start_tarnvel
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "Configure Pre-Sets... did not show the window"
id=$(editor_window)

# Waits until two screenshots of the window in a row are the same: it has finished painting.
settled() {  # $1: file to leave the picture in
  local before="$WORK/settle.png"
  import -window "$id" "$before"
  for _ in $(seq 20); do
    sleep 0.3
    import -window "$id" "$1"
    [ "$(compare -metric AE "$before" "$1" null: 2>&1 || true)" = 0 ] && return 0
    cp "$1" "$before"
  done
  fail "the window did not stop changing after a resize"
}
size_is() { eval "$(xdotool getwindowgeometry --shell "$id")"; [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ]; }
resize() {
  xdotool windowsize "$id" "$1" "$2"
  wait_for 5 size_is "$1" "$2" || fail "the window did not take the size $1 x $2"
}

resize 860 560
settled "$WORK/large.png"
resize 250 200
settled "$E2E_OUT/${WINEPREFIX:+wine-}resize-small.png"
resize 860 560
settled "$E2E_OUT/${WINEPREFIX:+wine-}resize-again.png"
diff=$(compare -metric AE "$WORK/large.png" "$E2E_OUT/${WINEPREFIX:+wine-}resize-again.png" null: 2>&1 || true)
[ "$diff" = 0 ] || fail "after a small size, $diff pixels of the window differ from that size before: see ${WINEPREFIX:+wine-}resize-again.png"
echo "resize: the window looks the same after being made small and large again"
