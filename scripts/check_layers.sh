#!/usr/bin/env bash
# The rooms under src/ depend one way: base -> shell -> imaging -> scrape -> update -> sync
# -> app -> cli, gui, win. A file may include headers of its own room and of rooms before it,
# never of a later one; the front ends never include each other. Tests obey the same order:
# tests/<room>/ use that room and the ones before it, and a header under tests/support/
# belongs to the latest room it includes. Linking catches calls across the order, but not
# a header used on its own; this catches both.
# Usage: scripts/check_layers.sh [--counts]   (--counts prints room-to-room include counts)
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank=([base]=0 [shell]=1 [imaging]=2 [scrape]=3 [update]=4 [sync]=5 [app]=6
                 [cli]=7 [gui]=7 [win]=7 [e2e]=6 [kill]=6)

# The rooms a file includes, one "room header" pair per line.
includes() {
    sed -n 's/^#include "\([a-z_]*\)\/\([^"]*\)".*/\1 \2/p' "$1"
}

# The room of a support header: the latest room it includes, directly or through other
# support headers; "none" when it includes no room.
declare -A supportRoom
roomOfSupport() {
    local header=$1
    if [[ -n ${supportRoom[$header]:-} ]]; then
        echo "${supportRoom[$header]}"
        return
    fi
    local best=none room name r
    while read -r room name; do
        if [[ $room == support ]]; then
            r=$(roomOfSupport "$name")
        else
            r=$room
        fi
        [[ $r == none || -z ${rank[$r]:-} ]] && continue
        if [[ $best == none ]] || ((rank[$r] > rank[$best])); then
            best=$r
        fi
    done < <(includes "tests/support/$header")
    supportRoom[$header]=$best
    echo "$best"
}

failures=0
declare -A counts
check() {
    local file=$1 from=$2 room name to
    while read -r room name; do
        to=$room
        [[ $room == support ]] && to=$(roomOfSupport "$name")
        [[ $to == none || -z ${rank[$to]:-} || $to == "$from" ]] && continue
        counts["$from -> $to"]=$((${counts["$from -> $to"]:-0} + 1))
        if ((rank[$to] >= rank[$from])); then
            echo "$file: includes $room/$name, of room $to, which comes after room $from"
            failures=$((failures + 1))
        fi
    done < <(includes "$file")
}

while read -r file; do
    check "$file" "$(echo "$file" | cut -d/ -f2)"
done < <(git ls-files 'src/*.cpp' 'src/*.hpp')
while read -r file; do
    room=$(echo "$file" | cut -d/ -f2)
    [[ -n ${rank[$room]:-} ]] && check "$file" "$room"
done < <(git ls-files 'tests/*.cpp' 'tests/*.hpp')

if [[ ${1:-} == --counts ]]; then
    for pair in "${!counts[@]}"; do
        echo "${counts[$pair]} $pair"
    done | sort -k2
fi
if ((failures > 0)); then
    echo "$failures includes against the order of the rooms"
    exit 1
fi
echo "rooms in order: base shell imaging scrape update sync app cli/gui/win"
