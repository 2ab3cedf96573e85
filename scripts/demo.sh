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

"$build/demo/pixtrail-demo-site" "$root/demo/site" > "$work/site.address" &
site=$!
trap 'kill $site 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -s "$work/site.address" ]] && break; sleep 0.1; done
host=$(head -n1 "$work/site.address")
[[ -n $host ]] || { echo "demo: the sample site did not start" >&2; exit 1; }

# Every address of the program points at the sample site.
printf '%s\r\n' "[Settings]" "Waypointfile=$root/demo/sample.gpx" "Spoilerfolder=$work/spoilers" \
  "delay=1" "onlysummary=1" "dohtml=1" "delunused=1" "shrinkpics=1" "shrinkwidth=300" \
  "shrinkheight=300" "[Network]" "cachehost=$host" "imagehost1=$host" "imagehost2=$host" \
  "imagehost3=$host" "cdnhost=$host" "homehost=$host" > "$work/pixtrail.ini"

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
