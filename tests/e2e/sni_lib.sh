# A StatusNotifier host for the end-to-end tests: a private session bus and Xfce's panel with
# only its status tray plugin, on the test Xorg. Everything lib.sh offers works here too; the
# icon's place is the plugin's.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/bus" NO_AT_BRIDGE=1
BUS_PID="" PANEL_PID=""

# Stops the given processes and waits at most 5 s for them, then kills them outright.
stop_bounded() {
  local pid alive
  [ $# -gt 0 ] || return 0
  kill "$@" 2>/dev/null || true
  for _ in $(seq 50); do
    alive=0
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ "$alive" = 0 ] && return 0
    sleep 0.1
  done
  kill -KILL "$@" 2>/dev/null || true
}

# Every process connected to the private bus (the panel's plugin and the settings daemon the
# bus started for it included), while the bus still runs.
bus_clients() {
  local names name
  names=$(bus ListNames 2>/dev/null) || return 0
  for name in $(grep -oE "':[0-9.]+'" <<<"$names" | tr -d "'"); do
    bus GetConnectionUnixProcessID "$name" 2>/dev/null | grep -oE '[0-9]+' | tail -n 1
  done | sort -u | grep -vx "$BUS_PID" || true
}

sni_cleanup() {
  if [ -n "$BUS_PID" ]; then
    # shellcheck disable=SC2046
    stop_bounded $(bus_clients) $PANEL_PID
    stop_bounded "$BUS_PID"
  fi
  cleanup
}
trap sni_cleanup EXIT

bus() {
  gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m "org.freedesktop.DBus.$1" "${@:2}"
}

start_bus() {
  dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >"$WORK/dbus.log" 2>&1 &
  BUS_PID=$!
  wait_for 10 bus GetId || fail "the session bus did not start: $(cat "$WORK/dbus.log")"
}

watcher() {
  gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1"
}
host_registered() { watcher IsStatusNotifierHostRegistered | grep -q true; }

# One panel at the top left holding only the status tray plugin; without this file the panel
# asks its first-run question.
start_panel() {
  local dir="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
  mkdir -p "$dir"
  cat >"$dir/xfce4-panel.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
EOF
  xfce4-panel --disable-wm-check >"$WORK/panel.log" 2>&1 &
  PANEL_PID=$!
  wait_for 20 host_registered || fail "the panel did not register as a StatusNotifier host: $(cat "$WORK/panel.log")"
  wait_for 10 plugin_window || fail "the panel shows no status tray plugin"
  # Measured once, while the plugin is still empty.
  : "${EMPTY_PLUGIN_WIDTH:=$(plugin_width)}"
}

# The item of the running program, as the watcher lists it: its bus name.
item_name() {
  local entry name
  for entry in $(watcher RegisteredStatusNotifierItems | grep -oE "':[0-9.]+/StatusNotifierItem'" | tr -d "'"); do
    name=${entry%%/*}
    if bus GetConnectionUnixProcessID "$name" | grep -q "uint32 $TARNVEL_PID,"; then
      echo "$name"
      return 0
    fi
  done
  return 1
}

# Starts Tarnvel, which becomes a StatusNotifier item. Sets ITEM.
start_item() {
  "$TARNVEL_BIN" >"$WORK/tarnvel.log" 2>&1 &
  TARNVEL_PID=$!
  PIDS+=("$TARNVEL_PID")
  wait_for 30 item_name || fail "no item of ours registered with the watcher: $(cat "$WORK/tarnvel.log")"
  ITEM=$(item_name)
  wait_for 10 icon_shown || fail "the panel shows no icon for the item"
}

item() { gdbus call --session -d "$ITEM" -o /StatusNotifierItem -m "org.kde.StatusNotifierItem.$1" 0 0; }

# The exported menu's layout below entry $1 (0: the top), one level deep.
menu_layout() {
  local path
  path=$(gdbus call --session -d "$ITEM" -o /StatusNotifierItem -m org.freedesktop.DBus.Properties.Get \
    org.kde.StatusNotifierItem Menu | grep -oE "'/[^']*'" | tr -d "'") || return 1
  gdbus call --session -d "$ITEM" -o "$path" -m com.canonical.dbusmenu.GetLayout "${1:-0}" 1 '[]'
}

# The labels of the entries below entry $1, one a line, "-" for a separator.
menu_labels() {
  menu_layout "$@" | grep -oE "'label': <'[^']*'>|'type': <'separator'>" |
    sed -e "s/'label': <'\(.*\)'>/\1/" -e "s/'type'.*/-/"
}

# The id of the top-level entry labelled $1.
menu_id() { menu_layout | grep -oE "<\([0-9]+, \{[^}]*'label': <'$1'>" | grep -oE '^<\([0-9]+' | tr -d '<('; }

# The status tray plugin's window inside the panel: it holds our one icon.
plugin_window() {
  local panel
  panel=$(xdotool search --onlyvisible --classname '^xfce4-panel$' | head -n 1) || return 1
  xwininfo -tree -id "$panel" | awk '/"wrapper-2.0"/ {print $1; exit}' | grep .
}

plugin_width() {
  local plug
  plug=$(plugin_window) || return 1
  eval "$(xdotool getwindowgeometry --shell "$plug")"
  echo "$WIDTH"
}
# The plugin has grown by an icon: clicks on it reach the item, not the panel.
icon_shown() { [ "$(plugin_width)" -gt "$EMPTY_PLUGIN_WIDTH" ]; }

icon_point() {
  local plug
  plug=$(plugin_window) || fail "the panel shows no status tray plugin"
  eval "$(xdotool getwindowgeometry --shell "$plug")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

# An XEmbed icon of ours docked in the panel.
xembed_docked() {
  local panel
  panel=$(xdotool search --onlyvisible --classname '^xfce4-panel$' | head -n 1) || return 1
  xwininfo -tree -id "$panel" | grep -q '"Tarnvel"'
}

# A menu the panel draws, and a choice in it by keyboard.
HOST_MENU_CLASS='^wrapper-2.0$'
host_menu_window() { menu_window "$HOST_MENU_CLASS"; }
host_menu_closed() { menu_closed "$HOST_MENU_CLASS"; }
choose_in_host() { choose "$1" "$HOST_MENU_CLASS"; }

wait_for_size() {
  wait_for 5 bash -c "[ \"\$(xrandr | sed -n 's/.*current \([0-9]* x [0-9]*\),.*/\1/p')\" = '$1' ]" ||
    fail "${2:-the mode} did not switch to $1: $(current_size)"
}
