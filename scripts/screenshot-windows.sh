#!/usr/bin/env bash
# Makes docs/window-windows.png and docs/window-windows-de.png: pixtrail.exe under Wine on a
# virtual display, after an unattended sync of the bundled sample caches from the bundled
# sample site on 127.0.0.1, in English and with the German translation. The run uses the
# paths a Windows user would have (C:\Users\Anna\Documents\Geocaching\pq.gpx and its
# Spoilers folder), and Wine draws the window's frame itself, as Windows does.
# Needs the Linux build in build/ (for the sample site) and the Windows one in build-win64/
# (scripts/windows_test.sh or scripts/package-windows.sh make it).
# Usage: scripts/screenshot-windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install_packages.sh" wine wine64 xvfb
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi
exe="$root/build-win64/src/win/pixtrail.exe"
[[ -x $exe ]] || { echo "no $exe: build the Windows programs first" >&2; exit 1; }
source "$root/scripts/demo_site.sh"

work=$(mktemp -d)
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

shoot() { # LANGUAGE-FILE (or "") PICTURE
  local language=$1 picture=$2
  local program="$WINEPREFIX/drive_c/Pixtrail" geo="$WINEPREFIX/drive_c/Users/Anna/Documents/Geocaching"
  rm -rf "$program" "$geo"
  mkdir -p "$program" "$geo/Spoilers"
  cp "$root/demo/sample.gpx" "$geo/pq.gpx"
  cp "$exe" "$program/"
  [[ -z $language ]] || cp "$language" "$program/language.ini"
  start_demo_site "$root/build" "$work"
  # The sample site serves the caches; the home link stays the program's own.
  sed -e 's|^Waypointfile=.*|Waypointfile=C:\\Users\\Anna\\Documents\\Geocaching\\pq.gpx\r|' \
    -e 's|^Spoilerfolder=.*|Spoilerfolder=C:\\Users\\Anna\\Documents\\Geocaching\\Spoilers\r|' \
    -e '/^homehost=/d' "$work/pixtrail.ini" >"$program/pixtrail.ini"
  wine reg add 'HKCU\Software\Pixtrail\Settings' /v GUI /d "$(scrambled_date "2099-01-01 00:00:00")" /f >/dev/null
  rm -f "$picture"
  timeout 120 wine 'C:\Pixtrail\pixtrail.exe' --screenshot "$(winepath -w "$picture")" -a </dev/null
  kill "$demo_site_pid" 2>/dev/null || true
  [[ -s $picture ]] || { echo "screenshot: no picture was saved" >&2; exit 1; }
  echo "Screenshot: $picture"
}

run() {
  mkdir -p "$WINEPREFIX" "$root/docs"
  wineserver -p
  wine wineboot -i >/dev/null 2>&1
  # Without a window manager Wine draws the caption bar and frame itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  shoot "" "$root/docs/window-windows.png"
  shoot "$root/demo/language-de.ini" "$root/docs/window-windows-de.png"
}

run
