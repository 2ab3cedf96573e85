#!/usr/bin/env bash
# Checks that the tests keep to their share of the code, sets everything up, builds with
# warnings as errors and runs every test; then the whole suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer, the worker threads' tests under ThreadSanitizer, and each
# fuzz target for a short while (scripts/sanitize.sh). Between the two, the Windows programs
# are cross-built and tested under Wine (scripts/windows_test.sh; PIXTRAIL_WINDOWS=0 skips
# it). PIXTRAIL_QUICK=1 skips the sanitizers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/test_share.sh" 36
"$root/scripts/setup.sh" "$root/build" -DPIXTRAIL_WERROR=ON -DPIXTRAIL_TESTS=ON
(cd "$root/build" && ctest --output-on-failure --timeout 300 -j2 "$@")
if [[ ${PIXTRAIL_WINDOWS:-1} != 0 ]]; then
  "$root/scripts/windows_test.sh"
fi
if [[ ${PIXTRAIL_QUICK:-0} != 1 ]]; then
  "$root/scripts/sanitize.sh" "${PIXTRAIL_FUZZ_SECONDS:-30}"
fi
