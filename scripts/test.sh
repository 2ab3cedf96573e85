#!/usr/bin/env bash
# Sets everything up, builds with warnings as errors and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build" -DPIXTRAIL_WERROR=ON -DPIXTRAIL_TESTS=ON
cd "$root/build"
ctest --output-on-failure --timeout 300 -j2 "$@"
