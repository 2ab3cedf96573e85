#!/usr/bin/env bash
# The shrink of the Linux build and of the Windows build (cross-built, run under Wine) on
# the same generated 4000 x 3000 photos, in one run: the batch's time inside each program
# (Wine's start-up left out), best of 3, rounds interleaved.
# Usage: bench/shrink_windows_bench.sh      (PHOTOS=12 photos; BUILD=the Linux build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-"$root/build"}
count=${PHOTOS:-12}
data="$build/bench-data/shrink" # generated once, kept between runs, shared with shrink_bench.sh

"$root/scripts/setup.sh" "$build" >/dev/null
"$root/scripts/install_packages.sh" wine wine64
deps=$("$root/scripts/windows_deps.sh" | tail -1)
win="$root/build-win64"
if [[ -f $win/CMakeCache.txt ]] && ! grep -q "^PIXTRAIL_WINDOWS_DEPS:PATH=$deps$" "$win/CMakeCache.txt"; then
  rm -rf "$win"
fi
PIXTRAIL_WINDOWS_DEPS="$deps" cmake -S "$root" -B "$win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DPIXTRAIL_WINDOWS_DEPS="$deps" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
export WINEPREFIX="$(dirname "$deps")/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wine wineboot -i </dev/null >/dev/null 2>&1
cmake --build "$win" --target bench_shrink </dev/null >/dev/null

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "Wine: $(wine --version)"
"$build/bench/bench_shrink" generate "$data" "$count" >/dev/null
photos=()
for ((i = 1; i <= count; i++)); do photos+=("$(printf '%s/photo-%02d.jpg' "$data" "$i")"); done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

seconds() { awk '{ for (i = 1; i < NF; i++) if ($i == "seconds") print $(i + 1) }' <<<"$1"; }
linux=() windows=()
for round in 1 2 3; do
  linux+=("$(seconds "$("$build/bench/bench_shrink" shrink "$out/linux" "${photos[@]}")")")
  windows+=("$(seconds "$(wine "$win/bench/bench_shrink.exe" shrink "$out/windows" "${photos[@]}" \
    </dev/null | tr -d '\r')")")
done
l=$(printf '%s\n' "${linux[@]}" | sort -g | head -1)
w=$(printf '%s\n' "${windows[@]}" | sort -g | head -1)
cmp -s <(cat "$out"/linux/*.jpg) <(cat "$out"/windows/*.jpg) && same="the same bytes" ||
  same="DIFFERENT bytes"
awk -v l="$l" -v w="$w" -v n="$count" -v s="$same" 'BEGIN {
  printf "%-28s %7.3f s  %5.1f pictures/s\n", "Linux build", l, n / l
  printf "%-28s %7.3f s  %5.1f pictures/s\n", "Windows build under Wine", w, n / w
  printf "Windows / Linux: %.3f; the %d shrunk pictures: %s\n", w / l, n, s }'
