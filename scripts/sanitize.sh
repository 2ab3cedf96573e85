#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (clang), the
# tests that run pictures through the worker threads under ThreadSanitizer, then every fuzz
# target for SECONDS seconds from the first build. Usage: scripts/sanitize.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build="$root/build-sanitize"

"$root/scripts/setup.sh" "$root/build" >/dev/null # the libraries, and clang below
"$root/scripts/install_packages.sh" clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIXTRAIL_SANITIZE=ON -DPIXTRAIL_FUZZ=ON -DPIXTRAIL_TESTS=ON -DPIXTRAIL_GUI=OFF \
  -DPIXTRAIL_WERROR=ON >/dev/null
cmake --build "$build"
(cd "$build" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure --timeout 600 -j2)

tsan="$root/build-tsan"
CC=clang CXX=clang++ cmake -S "$root" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIXTRAIL_TSAN=ON -DPIXTRAIL_TESTS=ON -DPIXTRAIL_GUI=OFF -DPIXTRAIL_WERROR=ON >/dev/null
cmake --build "$tsan" --target test_shell test_sync test_e2e pixtrail-cli
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$tsan/tests/test_shell" --gtest_filter='OrderedWorkers.*'
"$tsan/tests/test_sync"
"$tsan/tests/test_e2e" --gtest_filter='Cli.SerialAndParallel*'
unset TSAN_OPTIONS

if ((seconds > 0)); then
  PIXTRAIL_FUZZ_BUILD="$build" "$root/scripts/fuzz.sh" "$seconds"
fi
