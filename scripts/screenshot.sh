#!/usr/bin/env bash
# Makes docs/window.png and docs/window-de.png: the window after an unattended sync of the
# bundled sample caches (demo/sample.gpx) from the bundled sample site on 127.0.0.1, drawn
# on a virtual X display, in English and with the German translation (demo/language-de.ini).
# Usage: scripts/screenshot.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
"$root/scripts/setup.sh" "$build"
source "$root/scripts/demo_site.sh"

shoot() { # LANGUAGE-FILE (or "") PICTURE
  local language=$1 picture=$2
  local work="$build/screenshot-run"
  rm -rf "$work"
  mkdir -p "$work/spoilers" "$root/docs"
  cp "$build/src/gui/pixtrail" "$work/"
  [[ -z $language ]] || cp "$language" "$work/language.ini"
  start_demo_site "$build" "$work"
  # The program saves its picture once the run is over, then "-a" ends it.
  rm -f "$picture"
  XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$work/pixtrail" --screenshot "$picture" -a
  kill "$demo_site_pid" 2>/dev/null || true
  [[ -s $picture ]] || { echo "screenshot: no picture was saved" >&2; exit 1; }
  echo "Screenshot: $picture"
}

shoot "" "$root/docs/window.png"
shoot "$root/demo/language-de.ini" "$root/docs/window-de.png"
