#!/usr/bin/env bash
# cmake --install places the programs, their desktop entry, icon and manual pages; CPack builds
# a .deb whose dependencies are Debian package names, which lintian accepts without an error or
# a warning, and which comes out the same under umask 002. The manual pages render without a
# warning, `man` finds them from the install and from the package, and tarnvelctl(1) documents
# every command, option and exit code that `tarnvelctl --help` and the README name.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
out=${E2E_OUT:-$BUILD_DIR/e2e}
mkdir -p "$out"

# --- cmake --install ------------------------------------------------------------------------
prefix=$work/prefix
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null
sizes="16 22 24 32 48 64 128 256"
icons="share/icons/hicolor/scalable/apps/tarnvel.svg"
for s in $sizes; do icons+=" share/icons/hicolor/${s}x$s/apps/tarnvel.png"; done
pages="share/man/man1/tarnvel.1.gz share/man/man1/tarnvelctl.1.gz"
docs="share/doc/tarnvel/copyright share/doc/tarnvel/changelog.gz"
for f in bin/tarnvel bin/tarnvelctl lib/tarnvel/tarnvelctl-qt.so share/applications/tarnvel.desktop $icons $pages $docs; do
  [ -f "$prefix/$f" ] || fail "$f not installed"
done
for s in $sizes; do
  size=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${s}x$s/apps/tarnvel.png")
  [ "$size" = "${s}x$s" ] || fail "the ${s}x$s icon is $size"
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/tarnvel.svg" || fail "the scalable icon is no SVG"
# Installed, tarnvelctl finds the Qt part it loads for a Wayland session (here without a bus,
# it falls back to X11, which is not there either).
code=0
env -u DISPLAY XDG_SESSION_TYPE=wayland DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus \
  "$prefix/bin/tarnvelctl" list >/dev/null 2>"$work/ctl.err" || code=$?
[ "$code" = 1 ] && grep -q 'cannot open the X display' "$work/ctl.err" ||
  fail "installed tarnvelctl: exit code $code: $(cat "$work/ctl.err")"

# --- manual pages ---------------------------------------------------------------------------
# `man NAME` finds the page of a program on PATH (man-db looks beside each PATH folder).
man_finds() {  # man_finds BIN_FOLDER NAME EXPECTED_FILE
  local found
  found=$(env -u MANPATH PATH="$1:$PATH" man -w "$2" 2>&1) || fail "man -w $2 with $1 on PATH: $found"
  [ "$found" = "$3" ] || fail "man $2 with $1 on PATH finds $found, not $3"
  env -u MANPATH PATH="$1:$PATH" MANWIDTH=80 man "$2" 2>&1 | grep -q "^NAME" || fail "man $2 shows no NAME section"
}
for name in tarnvel tarnvelctl; do
  man_finds "$prefix/bin" "$name" "$prefix/share/man/man1/$name.1.gz"
  # groff's warnings (a line it cannot break, an unknown macro or escape) at a terminal's width.
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$name.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man --warnings on $name(1): $warnings"
done

# The page's items: the tags of the .TP entries of section $1, one word a line ("set MODE"
# gives set; "-h, --help" gives -h and --help).
page_items() {
  gunzip -c "$prefix/share/man/man1/tarnvelctl.1.gz" | awk -v section="$1" '
    /^\.SH / { sub(/^\.SH +/, ""); gsub(/"/, ""); inside = ($0 == section); next }
    inside && tag { print; tag = 0; next }
    inside && /^\.TP/ { tag = 1 }' |
    sed -E 's/^\.[A-Z]+ *//; s/\\f[BIRP]//g; s/\\-/-/g; s/"//g' | tr ', ' '\n\n' | grep . | sort -u
}
readme_section=$(sed -n '/^## Command line/,/^## /p' "$source_dir/README.md")
help=$("$prefix/bin/tarnvelctl" --help)
# What --help and the README name. Commands: help's "  tarnvelctl NAME" lines and its usage
# line, the README table's `tarnvelctl NAME` rows.
help_commands=$( { grep -oE '^  tarnvelctl [a-z]+' <<<"$help" | awk '{print $2}'
  sed -n 's/^usage: tarnvelctl //p' <<<"$help" | tr '|' '\n' |
  awk '{ for (i = 1; i <= NF; i++) if ($i !~ /^[-[]/ && $i !~ /]$/) { if (i == 1 || $(i - 1) ~ /]$/) print $i; break } }'; } | sort -u)
readme_commands=$(awk -F'|' '/^\| `tarnvelctl / {print $2}' <<<"$readme_section" | grep -oE '`tarnvelctl [a-z]+' |
  awk '{print $2}' | sort -u)
# Options: every -x and --word in help's text, and in the first column of the README's table.
help_options=$(grep -oE '(^|[^[:alnum:]-])--?[a-z][a-z-]*' <<<"$help" | sed -E 's/^[^-]*//' | sort -u)
readme_options=$(awk -F'|' '/^\| `-/ {print $2}' <<<"$readme_section" | grep -oE '`--?[a-z][a-z-]*' | tr -d '`' | sort -u)
# Exit codes: the numbers that start a clause of the "Exit codes:" paragraph.
exit_codes() { awk '/^Exit codes:/ {on = 1} on && /^$/ {exit} on' | tr '\n' ' ' | grep -oE '(: |; )[0-9]+ ' | tr -dc '0-9\n'; }
codes=$( { exit_codes <<<"$readme_section"; exit_codes <<<"$help"; } | sort -u)
for list in help_commands readme_commands help_options readme_options codes; do
  [ -n "${!list}" ] || fail "found no $list to look for in tarnvelctl(1): has the text changed its form?"
done
documented() {  # documented SECTION WHAT NAMES...
  local section=$1 what=$2 items name
  shift 2
  items=$(page_items "$section")
  for name in "$@"; do
    grep -qxF -- "$name" <<<"$items" || fail "tarnvelctl(1) has no $section entry for the $what $name"
  done
}
documented COMMANDS command $help_commands $readme_commands
documented OPTIONS option $help_options $readme_options
documented "EXIT STATUS" "exit code" $codes
# And nothing the program does not have: every command and exit code of the page is named.
for name in $(page_items COMMANDS | grep -v '^[A-Z]'); do
  grep -qxF "$name" <<<"$help_commands" || fail "tarnvelctl(1) describes a command $name that --help does not name"
done
for name in $(page_items "EXIT STATUS"); do
  grep -qxF "$name" <<<"$codes" || fail "tarnvelctl(1) describes an exit code $name that the README does not name"
done

# --- the Debian package ---------------------------------------------------------------------
# Built once under the usual umask and once under 002 (group-writable files and folders, as on
# systems with a group per user): the same entries with the same permissions.
package() {  # package UMASK: builds into $work/$1 and prints the .deb's path
  mkdir -p "$work/$1"
  (umask "$1" && cd "$work/$1" && cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" >cpack.log 2>&1) ||
    fail "cpack under umask $1: $(tail -n 5 "$work/$1/cpack.log")"
  ls "$work/$1"/tarnvel_*_amd64.deb
}
entries() {  # the data and control members: permissions, owner, name
  dpkg-deb -c "$1" | awk '{print $1, $2, $6}'
  dpkg-deb --ctrl-tarfile "$1" | tar -tvf - | awk '{print "control:", $1, $2, $6}'
}
deb=$(package 0022)
deb002=$(package 0002)
diff <(entries "$deb") <(entries "$deb002") >"$work/umask.diff" ||
  fail "the package built under umask 002 differs from the one under 022: $(cat "$work/umask.diff")"

# Both programs link libwayland-client (KWin's output management), the tray program Qt's widgets.
for dependency in libqt6widgets6 libwayland-client0; do
  dpkg-deb -f "$deb" Depends | grep -q "$dependency" || fail "dependencies lack $dependency: $(dpkg-deb -f "$deb" Depends)"
done
[ "$(dpkg-deb -f "$deb" Suggests)" = gnome-shell-extension-appindicator ] ||
  fail "the package suggests \"$(dpkg-deb -f "$deb" Suggests)\", not GNOME's AppIndicator extension"
contents=$(dpkg-deb -c "$deb")
for f in bin/tarnvel bin/tarnvelctl lib/tarnvel/tarnvelctl-qt.so share/applications/tarnvel.desktop $icons $pages $docs; do
  grep -q "\./usr/$f\$" <<<"$contents" || fail "the package holds no usr/$f"
done
# Installed for everyone, it starts nothing for everyone: no autostart entry, no service.
grep -E ' \./(etc|lib/systemd|usr/lib/systemd)/' <<<"$contents" && fail "the package installs into /etc or systemd's folders"
dpkg-deb --ctrl-tarfile "$deb" | tar -tf - | grep -vxE '\./|\./control|\./md5sums' &&
  fail "the package has maintainer scripts"

# Lintian, as Debian runs it on every upload: no error and no warning (notes and pedantic tags
# are printed, not counted).
code=0
lintian --fail-on error,warning --display-info "$deb002" >"$out/lintian.txt" 2>&1 || code=$?
[ "$code" = 0 ] || fail "lintian (exit $code) on $(basename "$deb002"):
$(cat "$out/lintian.txt")"

# `man tarnvelctl` from the unpacked package, as from an installed one.
dpkg-deb -x "$deb" "$work/root"
for name in tarnvel tarnvelctl; do man_finds "$work/root/usr/bin" "$name" "$work/root/usr/share/man/man1/$name.1.gz"; done

echo "install: $(basename "$deb"), lintian: $(grep -c '^[A-Z]: ' "$out/lintian.txt" || true) notes in $out/lintian.txt," \
  "depends on: $(dpkg-deb -f "$deb" Depends)"
echo "tarnvelctl(1) documents commands" $help_commands "options" $help_options $readme_options "exit codes" $codes
