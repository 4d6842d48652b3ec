#!/usr/bin/env bash
# cmake --install places the program and tarnvelctl, its desktop entry and its icon; CPack builds a .deb
# whose dependencies are Debian package names.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$BUILD_DIR" --prefix "$work/prefix" >/dev/null
for f in bin/tarnvel bin/tarnvelctl lib/tarnvel/tarnvelctl-qt.so share/applications/tarnvel.desktop share/icons/hicolor/32x32/apps/tarnvel.png; do
  [ -f "$work/prefix/$f" ] || { echo "FAIL: $f not installed" >&2; exit 1; }
done
# Installed, tarnvelctl finds the Qt part it loads for a Wayland session (here without a bus,
# it falls back to X11, which is not there either).
code=0
env -u DISPLAY XDG_SESSION_TYPE=wayland DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus \
  "$work/prefix/bin/tarnvelctl" list >/dev/null 2>"$work/ctl.err" || code=$?
[ "$code" = 1 ] && grep -q 'cannot open the X display' "$work/ctl.err" ||
  { echo "FAIL: installed tarnvelctl: exit code $code: $(cat "$work/ctl.err")" >&2; exit 1; }
[ "$(identify -format '%wx%h' "$work/prefix/share/icons/hicolor/32x32/apps/tarnvel.png")" = 32x32 ] || { echo "FAIL: icon size" >&2; exit 1; }
(cd "$work" && cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/tarnvel_*_amd64.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "FAIL: dependencies: $(dpkg-deb -f "$deb" Depends)" >&2; exit 1; }
contents=$(dpkg-deb -c "$deb")
grep -q './usr/bin/tarnvel$' <<<"$contents" || { echo "FAIL: the package holds no program" >&2; exit 1; }
grep -q './usr/bin/tarnvelctl$' <<<"$contents" || { echo "FAIL: the package holds no tarnvelctl" >&2; exit 1; }
grep -q './usr/lib/.*tarnvel/tarnvelctl-qt.so$' <<<"$contents" || { echo "FAIL: the package holds no tarnvelctl-qt.so" >&2; exit 1; }
echo "install: $(basename "$deb"), depends on: $(dpkg-deb -f "$deb" Depends)"
