#!/usr/bin/env bash
# Fails when the tests outgrow their share of the code: non-blank C++ lines under tests/
# against those under src/, at most MAX percent (default 40; the aim is a third).
# Usage: scripts/test_share.sh [MAX]
set -euo pipefail
cd "$(dirname "$0")/.."
max=${1:-40}
# The workplace's own counter, when it is there; the same count otherwise.
if [[ -x ../shared/tools/test-ratio ]]; then
  exec ../shared/tools/test-ratio --max "$max"
fi
count() { git ls-files -- "$1" | grep -E '\.(cpp|hpp|h|cc)$' | xargs -r cat | grep -cv '^[[:space:]]*$'; }
src=$(count src) tests=$(count tests)
share=$((100 * tests / src))
echo "tests ${tests} lines, program ${src} lines: tests are ${share}% of the program (at most ${max}%)"
((share <= max))
