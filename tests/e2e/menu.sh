#!/usr/bin/env bash
# The icon docks; a press alone opens nothing, the release opens the menu; either button; a
# click while a box is open opens nothing, then or later.
source "$(dirname "$0")/lib.sh"
set_mode 1024x768
# The desktop's URL handler, recording what it is asked to open.
mkdir -p "$WORK/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/opened"\n' "$WORK" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:$PATH"
start_tray_host
start_tarnvel

press_then_release
import -window root "$E2E_OUT/menu.png"
choose 1  # (Cancel)
running || fail "(Cancel) ended the program"
editor_window && fail "(Cancel) showed the window"

open_menu 3
choose 4  # Quorvane Website
wait_for 5 test -s "$WORK/opened" || fail "the website was not opened"
[ "$(cat "$WORK/opened")" = "https://www.quorvane.example/" ] || fail "opened: $(cat "$WORK/opened")"

open_menu 3
xdotool key Escape
wait_for 5 menu_closed || fail "Escape did not close the menu"
[ "$(current_size)" = "1024 x 768" ] || fail "the mode changed"
click_while_box_open
click_while_box_open editor
echo "menu: screenshot at $E2E_OUT/menu.png"
