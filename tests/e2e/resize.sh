#!/usr/bin/env bash
# Resizing the editor, kept clear of the tray host in the top right corner: made small, the
# panels overlap; made large again, nothing of that is left painted anywhere, and the window
# looks exactly as it did at that size before. Left partly off the screen, it opens again on
# it. Then, under a window manager: minimised, the
# editor comes back restored and in front through "Configure Pre-Sets...".
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

# Left partly off the screen, closed and opened again, the editor comes back whole on the screen.
xdotool windowmove "$id" -100 -50
moved() { eval "$(xdotool getwindowgeometry --shell "$id")"; [ "$X" -lt 0 ] && [ "$Y" -lt 0 ]; }
wait_for 5 moved || fail "the window did not move partly off the screen"
click_cancel
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Change Default Resolutions$"' || fail "Cancel did not hide"
open_menu
choose "$M_CONFIG"
wait_for 5 editor_window || fail "the window did not show again"
eval "$(xdotool getwindowgeometry --shell "$id")"
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1024 ] && [ $((Y + HEIGHT)) -le 768 ] ||
  fail "opened again, the editor is not on the screen: $WIDTH x $HEIGHT at ($X, $Y)"

start_window_manager
# Mutter takes over the windows already shown a moment after it starts: WM_STATE says it has.
wait_for 10 window_state "$id" Normal || fail "the window manager did not take over the editor"
minimised() { window_state "$id" Iconic || { xdotool windowminimize "$id"; false; }; }
wait_for 10 minimised || fail "the window manager did not minimise the editor"
open_menu
if [ -n "${WINEPREFIX:-}" ]; then
  # Under a window manager Wine's menu has no keyboard (the hidden frame cannot take the focus
  # from it): point at "Configure Pre-Sets...", below six entries and five separators of a menu
  # at 96 DPI (17 and 9 pixels high, 3 above the first).
  eval "$(xdotool getwindowgeometry --shell "$(menu_window)")"
  xdotool mousemove $((X + 60)) $((Y + 3 + 6 * 17 + 5 * 9 + 8)) sleep 0.3 click 1
  wait_for 5 menu_closed || fail "the menu did not close on a click on Configure Pre-Sets..."
else
  choose "$M_CONFIG"
fi
wait_for 10 window_state "$id" Normal || fail "Configure Pre-Sets... left the minimised editor minimised"
wait_for 10 window_active "$id" || fail "the restored editor is not the active window: $(xdotool getactivewindow)"
sleep 0.5
import -window root "$E2E_OUT/${WINEPREFIX:+wine-}restored.png"
echo "resize: the minimised editor came back restored and in front; screenshot ${WINEPREFIX:+wine-}restored.png"
