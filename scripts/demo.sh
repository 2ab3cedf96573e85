#!/usr/bin/env bash
# Sets everything up and runs the main job: an unattended sync of the bundled sample caches
# (demo/sample.gpx) from the bundled sample site, which runs on 127.0.0.1 for the length of
# the demo. The spoiler folder is kept, so a second run shows every cache skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
"$root/scripts/setup.sh" "$build"

work="$build/demo-run"
mkdir -p "$work/spoilers"
cp "$build/src/cli/pixtrail-cli" "$work/"

source "$root/scripts/demo_site.sh"
start_demo_site "$build" "$work"

echo "Pixtrail demo: syncing demo/sample.gpx from the sample site at $host"
status=0
XDG_CONFIG_HOME="$work/config" "$work/pixtrail-cli" -a || status=$?

pictures=$(find "$work/spoilers" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.png' -o -iname '*.gif' \) | wc -l)
pages=$(find "$work/spoilers" -maxdepth 1 -type f -iname '*.html' ! -iname index.html | wc -l)
echo
echo "Spoiler folder $work/spoilers: $pictures pictures, $pages cache pages"
[[ -f "$work/spoilers/no spoiler found.txt" ]] &&
  echo "Caches without spoilers: $(tr -d '\r' < "$work/spoilers/no spoiler found.txt" | paste -sd ' ')"
echo "Run log: $work/log.txt"
[[ -f "$work/spoilers/index.html" ]] && echo "Open $work/spoilers/index.html in a browser."
exit $status
