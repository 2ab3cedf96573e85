# Sourced by the demo scripts: starts the bundled sample site for the rest of the script
# and writes a settings file that points every address of the program at it.
# Usage: start_demo_site BUILD WORK  (sets $host; the site stops when the script exits)

start_demo_site() {
  local build=$1 work=$2
  "$build/demo/pixtrail-demo-site" "$root/demo/site" > "$work/site.address" &
  demo_site_pid=$!
  trap 'kill $demo_site_pid 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [[ -s "$work/site.address" ]] && break; sleep 0.1; done
  host=$(head -n1 "$work/site.address")
  [[ -n $host ]] || { echo "the sample site did not start" >&2; exit 1; }
  printf '%s\r\n' "[Settings]" "Waypointfile=$root/demo/sample.gpx" "Spoilerfolder=$work/spoilers" \
    "delay=1" "onlysummary=1" "dohtml=1" "delunused=1" "shrinkpics=1" "shrinkwidth=300" \
    "shrinkheight=300" "[Network]" "cachehost=$host" "imagehost1=$host" "imagehost2=$host" \
    "imagehost3=$host" "cdnhost=$host" "homehost=$host" > "$work/pixtrail.ini"
}

# The date of the next update check, as the program stores it: with one in the future the
# program asks no feed, so nothing leaves the machine though the home link is the real one.
scrambled_date() {
  local text=$1 out=01 i c
  for ((i = 0; i < ${#text}; i++)); do
    printf -v c '%d' "'${text:i:1}"
    out+=$(printf '%02X' $(((c ^ (i + 1) ^ 1) & 255)))
  done
  echo "$out"
}
