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

"$build/demo/pixtrail-demo-site" "$root/demo/site" > "$work/site.address" &
site=$!
trap 'kill $site 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -s "$work/site.address" ]] && break; sleep 0.1; done
host=$(head -n1 "$work/site.address")
[[ -n $host ]] || { echo "screenshot: the sample site did not start" >&2; exit 1; }

# Every address of the program points at the sample site.
printf '%s\r\n' "[Settings]" "Waypointfile=$root/demo/sample.gpx" "Spoilerfolder=$work/spoilers" \
  "delay=1" "onlysummary=1" "dohtml=1" "delunused=1" "shrinkpics=1" "shrinkwidth=300" \
  "shrinkheight=300" "[Network]" "cachehost=$host" "imagehost1=$host" "imagehost2=$host" \
  "imagehost3=$host" "cdnhost=$host" "homehost=$host" > "$work/pixtrail.ini"

# The program saves its picture once the run is over, then "-a" ends it.
rm -f "$root/docs/window.png"
XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  "$work/pixtrail" --screenshot "$root/docs/window.png" -a
[[ -s "$root/docs/window.png" ]] || { echo "screenshot: no picture was saved" >&2; exit 1; }
echo "Screenshot: $root/docs/window.png"
