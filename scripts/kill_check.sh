#!/usr/bin/env bash
# Kill safety, long form: 200 caches with big pictures, 20 SIGKILLs at random moments.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build" >/dev/null
"$root/build/tests/pixtrail-kill-check" "$root/build/src/cli/pixtrail-cli" "${1:-200}" "${2:-20}" "${3:-$RANDOM}"
