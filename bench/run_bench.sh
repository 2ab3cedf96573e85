#!/usr/bin/env bash
# A whole run over 500 caches (three pictures each, one a 12-megapixel photo) against the
# fixture site, with the CPU time split between page work, downloads and JPEG work.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build" >/dev/null
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
"$root/build/bench/pixtrail-run-bench" "$root/build/src/cli/pixtrail-cli" "${1:-500}"
