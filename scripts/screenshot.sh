#!/usr/bin/env bash
# Makes docs/window.png and docs/window-de.png: the window after an unattended sync of the
# bundled sample caches from the bundled sample site on 127.0.0.1, drawn on a virtual X
# display, in English and with the German translation (demo/language-de.ini).
# The run uses the paths a user would have, ~/Geocaching/pq.gpx and ~/Geocaching/Spoilers,
# in a home folder of its own (a private /home, in a mount namespace of this script's), and
# the window shows the program's real home link.
# Usage: scripts/screenshot.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
if [[ -z ${PIXTRAIL_PRIVATE_HOME:-} ]]; then
  "$root/scripts/setup.sh" "$build"
  map=()
  [[ $(id -u) -eq 0 ]] || map=(--map-root-user)
  exec env PIXTRAIL_PRIVATE_HOME=1 unshare --mount "${map[@]}" "$0" "$build"
fi
mount -t tmpfs tmpfs /home
source "$root/scripts/demo_site.sh"

shoot() { # LANGUAGE-FILE (or "") PICTURE
  local language=$1 picture=$2
  export HOME=/home/alex
  local work="$HOME/.local/share/pixtrail-screenshot" geo="$HOME/Geocaching"
  rm -rf "$HOME"
  mkdir -p "$work" "$geo/Spoilers" "$HOME/.config/pixtrail" "$root/docs"
  cp "$root/demo/sample.gpx" "$geo/pq.gpx"
  cp "$build/src/gui/pixtrail" "$work/"
  [[ -z $language ]] || cp "$language" "$work/language.ini"
  start_demo_site "$build" "$work"
  # The sample site serves the caches; the home link stays the program's own.
  sed -i -e "s|^Waypointfile=.*|Waypointfile=$geo/pq.gpx\r|" \
    -e "s|^Spoilerfolder=.*|Spoilerfolder=$geo/Spoilers\r|" -e '/^homehost=/d' "$work/pixtrail.ini"
  printf '[Settings]\r\nGUI=%s\r\n' "$(scrambled_date "2099-01-01 00:00:00")" \
    > "$HOME/.config/pixtrail/user.ini"
  # The program saves its picture once the run is over, then "-a" ends it.
  rm -f "$picture"
  unset XDG_CONFIG_HOME
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$work/pixtrail" --screenshot "$picture" -a
  kill "$demo_site_pid" 2>/dev/null || true
  [[ -s $picture ]] || { echo "screenshot: no picture was saved" >&2; exit 1; }
  echo "Screenshot: $picture"
}

shoot "" "$root/docs/window.png"
shoot "$root/demo/language-de.ini" "$root/docs/window-de.png"
