# Shared steps of the end-to-end tests: a tray host on the test Xorg, Tarnvel started with a
# fresh settings folder, real pointer and keyboard input, and checks of what the server shows.
# Needs TARNVEL_BIN, TARNVEL_XORG_STATE, E2E_OUT; WM_CLOSE for the close-box test.
set -euo pipefail

DISPLAY=$(cat "$TARNVEL_XORG_STATE/display")
export DISPLAY
WORK=$(mktemp -d)
export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$E2E_OUT"
chmod 700 "$XDG_RUNTIME_DIR"
INI="$XDG_CONFIG_HOME/Tarnvel/Tarnvel.ini"
PIDS=()

cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$E2E_OUT/failure-$(basename "$0" .sh).png" 2>/dev/null || true
  exit 1
}

# Polls a command for up to $1 seconds.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 10))); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

set_mode() { xrandr --output DUMMY0 --mode "$1" >/dev/null; }
current_size() { xrandr | sed -n 's/.*current \([0-9]* x [0-9]*\),.*/\1/p'; }

start_tray_host() {
  trayer --widthtype request --edge top --align right --expand false >"$WORK/trayer.log" 2>&1 &
  PIDS+=($!)
  wait_for 10 xdotool search --classname panel || fail "trayer did not start"
}

# The trayer window holds our icon when it has our icon's window below it: Qt names it after
# the program, Wine's tray belongs to explorer.exe.
ICON_PATTERN=${ICON_PATTERN:-'"Tarnvel"'}
MENU_CLASS=${MENU_CLASS:-tarnvel}
icon_docked() {
  local panel
  panel=$(xdotool search --classname panel | head -n 1)
  # Without an id xwininfo waits for a click on a window: that would never end.
  [ -n "$panel" ] || return 1
  xwininfo -tree -id "$panel" | grep -q "$ICON_PATTERN"
}
export -f icon_docked
export ICON_PATTERN

start_tarnvel() {
  "$TARNVEL_BIN" >"$WORK/tarnvel.log" 2>&1 &
  TARNVEL_PID=$!
  PIDS+=("$TARNVEL_PID")
  wait_for 30 icon_docked || fail "the icon did not dock: $(cat "$WORK/tarnvel.log")"
}

running() { kill -0 "$TARNVEL_PID" 2>/dev/null; }

# The centre of trayer's window, which holds our one icon.
icon_point() {
  local panel
  panel=$(xdotool search --classname panel | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$panel")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

# The open pop-up menu: a mapped override-redirect window of ours, taller than a tooltip.
menu_window() {
  local id info
  for id in $(xdotool search --onlyvisible --classname "$MENU_CLASS" 2>/dev/null); do
    info=$(xwininfo -id "$id")
    grep -q 'Override Redirect State: yes' <<<"$info" || continue
    [ "$(awk '/Height:/ {print $2}' <<<"$info")" -gt 60 ] && { echo "$id"; return 0; }
  done
  return 1
}

editor_window() { xdotool search --onlyvisible --name '^Change Default Resolutions$' | head -n 1 | grep .; }

# Opens the menu with a real click on the icon (press, then release).
open_menu() {
  read -r x y < <(icon_point)
  xdotool mousemove "$x" "$y" click "${1:-1}"
  wait_for 5 menu_window || fail "the menu did not open"
}

menu_closed() { ! menu_window >/dev/null; }

# Chooses the n-th entry of the open menu (separators do not count) by keyboard.
choose() {
  local keys=()
  for _ in $(seq "$1"); do keys+=(Down); done
  xdotool key --delay 60 "${keys[@]}" Return
  wait_for 5 menu_closed || fail "the menu did not close"
}

# Clicks the editor window at (x, y) twips from its inner top left corner. The layout's
# right and bottom edges follow the window, so callers pass offsets from them as negatives
# through W and H, which are set here in twips.
click_twips() {
  local id
  id=$(editor_window) || fail "the editor is not shown"
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + ($1) / 15)) $((Y + ($2) / 15)) click 1
  sleep 0.3
}
editor_size() {
  local id
  id=$(editor_window) || fail "the editor is not shown"
  eval "$(xdotool getwindowgeometry --shell "$id")"
  W=$((WIDTH * 15)) H=$((HEIGHT * 15))
}
click_ok() { editor_size; click_twips $((W - 2490 + 547)) $((H - 1095 + 600 + 187)); }
click_cancel() { editor_size; click_twips $((W - 1245 + 547)) $((H - 1095 + 600 + 187)); }
# The ">" button of preset $1.
click_copy() {
  local tops=(0 240 960 1680 2520)
  editor_size
  click_twips $((W - 3015 + 127)) $((480 + ${tops[$1]} + 127))
}
click_first_row() { click_twips 720 600; }

# Menu positions. On Xorg every mode has one depth, so "Select Color Depth" is hidden; Wine
# lists every mode at three depths, so there it shows.
if [ -n "${WINEPREFIX:-}" ]; then
  M_EXIT=2 M_DEPTH=5 M_CONFIG=7 M_PRESET1=8 M_PRESET2=9 M_PRESET3=10
else
  M_EXIT=2 M_CONFIG=6 M_PRESET1=7 M_PRESET2=8 M_PRESET3=9
fi

# A press alone opens nothing; the release opens the menu. Leaves the menu open.
press_then_release() {
  read -r x y < <(icon_point)
  xdotool mousemove "$x" "$y" mousedown 1
  sleep 1
  menu_window && fail "a press alone opened the menu"
  xdotool mouseup 1
  wait_for 5 menu_window || fail "the release did not open the menu"
}

# The pointer's own movement over the shown editor is not the icon's: at x = 514 and 517
# pixels, below the presets and above the footer, nothing opens.
hover_editor_opens_nothing() {
  local id
  id=$(editor_window) || fail "the editor is not shown"
  eval "$(xdotool getwindowgeometry --shell "$id")"
  for x in 500 514 517 530; do xdotool mousemove $((X + x)) $((Y + 350)); sleep 0.1; done
  sleep 0.5
  menu_window && fail "moving the pointer over the window opened the menu"
  return 0
}

# Clicks into the text box of preset $1, near its middle.
click_box() {
  local tops=(0 240 960 1680 2520)
  editor_size
  click_twips $((W - 3015 + 240 + 1267)) $((480 + ${tops[$1]} + 142))
}

# The shown message box titled $1 carries the error icon: the only red picture a box draws
# (warning is yellow, information and question are blue). Saves the box as $2.
error_box_shown() {
  local id red
  id=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1) || return 1
  import -window "$id" "$2" 2>/dev/null || return 1
  red=$(convert "$2" -fx '(r > 0.6 && g < 0.3 && b < 0.3) ? 1 : 0' -format '%[fx:round(mean * w * h)]' info:)
  [ "$red" -ge 100 ]
}
