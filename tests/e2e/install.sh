#!/usr/bin/env bash
# cmake --install places the program and tarnvelctl, its desktop entry and its icon; CPack builds a .deb
# whose dependencies are Debian package names, and which suggests GNOME's AppIndicator extension.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$BUILD_DIR" --prefix "$work/prefix" >/dev/null
sizes="16 22 24 32 48 64 128 256"
icons="share/icons/hicolor/scalable/apps/tarnvel.svg"
for s in $sizes; do icons+=" share/icons/hicolor/${s}x$s/apps/tarnvel.png"; done
for f in bin/tarnvel bin/tarnvelctl lib/tarnvel/tarnvelctl-qt.so share/applications/tarnvel.desktop $icons; do
  [ -f "$work/prefix/$f" ] || { echo "FAIL: $f not installed" >&2; exit 1; }
done
for s in $sizes; do
  size=$(identify -format '%wx%h' "$work/prefix/share/icons/hicolor/${s}x$s/apps/tarnvel.png")
  [ "$size" = "${s}x$s" ] || { echo "FAIL: the ${s}x$s icon is $size" >&2; exit 1; }
done
grep -q '<svg' "$work/prefix/share/icons/hicolor/scalable/apps/tarnvel.svg" || { echo "FAIL: the scalable icon is no SVG" >&2; exit 1; }
# Installed, tarnvelctl finds the Qt part it loads for a Wayland session (here without a bus,
# it falls back to X11, which is not there either).
code=0
env -u DISPLAY XDG_SESSION_TYPE=wayland DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus \
  "$work/prefix/bin/tarnvelctl" list >/dev/null 2>"$work/ctl.err" || code=$?
[ "$code" = 1 ] && grep -q 'cannot open the X display' "$work/ctl.err" ||
  { echo "FAIL: installed tarnvelctl: exit code $code: $(cat "$work/ctl.err")" >&2; exit 1; }
(cd "$work" && cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/tarnvel_*_amd64.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "FAIL: dependencies: $(dpkg-deb -f "$deb" Depends)" >&2; exit 1; }
[ "$(dpkg-deb -f "$deb" Suggests)" = gnome-shell-extension-appindicator ] ||
  { echo "FAIL: the package suggests \"$(dpkg-deb -f "$deb" Suggests)\", not GNOME's AppIndicator extension" >&2; exit 1; }
contents=$(dpkg-deb -c "$deb")
grep -q './usr/bin/tarnvel$' <<<"$contents" || { echo "FAIL: the package holds no program" >&2; exit 1; }
for f in $icons; do
  grep -q "\./usr/$f\$" <<<"$contents" || { echo "FAIL: the package holds no $f" >&2; exit 1; }
done
grep -q './usr/bin/tarnvelctl$' <<<"$contents" || { echo "FAIL: the package holds no tarnvelctl" >&2; exit 1; }
grep -q './usr/lib/.*tarnvel/tarnvelctl-qt.so$' <<<"$contents" || { echo "FAIL: the package holds no tarnvelctl-qt.so" >&2; exit 1; }
echo "install: $(basename "$deb"), depends on: $(dpkg-deb -f "$deb" Depends); suggests: $(dpkg-deb -f "$deb" Suggests)"
