#!/usr/bin/env bash
# Makes docs/window.png: the window after an unattended sync of the bundled sample caches
# (demo/sample.gpx) from the bundled sample site on 127.0.0.1, drawn on a virtual X display.
# Usage: scripts/screenshot.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
"$root/scripts/setup.sh" "$build"

work="$build/screenshot-run"
rm -rf "$work"
mkdir -p "$work/spoilers" "$root/docs"
cp "$build/src/gui/pixtrail" "$work/"

source "$root/scripts/demo_site.sh"
start_demo_site "$build" "$work"

# The program saves its picture once the run is over, then "-a" ends it.
rm -f "$root/docs/window.png"
XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  "$work/pixtrail" --screenshot "$root/docs/window.png" -a
[[ -s "$root/docs/window.png" ]] || { echo "screenshot: no picture was saved" >&2; exit 1; }
echo "Screenshot: $root/docs/window.png"
