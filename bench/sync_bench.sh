#!/usr/bin/env bash
# The weekly no-change run over big spoiler folders: 20,000 and 40,000 caches.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build" >/dev/null
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
for n in 20000 40000; do
  "$root/build/bench/pixtrail-sync-bench" "$root/build/src/cli/pixtrail-cli" "$n"
done
