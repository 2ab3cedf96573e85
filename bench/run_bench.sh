#!/usr/bin/env bash
# Whole runs over 500 caches (three pictures each, one a 12-megapixel photo) against the
# fixture site at 1, 2 and 4 workers, on loopback and over a network of 50 ms a request and
# 20 MB/s; runs of 24-megapixel progressive JPEGs for their memory; and the split of a
# serial run's CPU time between page work, downloads and JPEG work.
# Usage: bench/run_bench.sh [CACHES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build" >/dev/null
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
"$root/build/bench/pixtrail-run-bench" "$root/build/src/cli/pixtrail-cli" "${1:-500}"
