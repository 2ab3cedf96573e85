#!/usr/bin/env bash
# Shrinking photos to 300 x 300 at quality 90: Pixtrail's shrink beside vipsthumbnail on the
# same generated 4000 x 3000 photos, in one run. Reports pictures per second, peak memory
# (also for one 24-megapixel photo) and SSIM against a full-resolution Lanczos reduction.
# Usage: bench/shrink_bench.sh            (PHOTOS=12 photos; BUILD=build directory)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-"$root/build"}
count=${PHOTOS:-12}
data="$build/bench-data/shrink" # generated once, kept between runs

# vipsthumbnail is only wanted here, so the normal setup does not install it.
"$root/scripts/install_packages.sh" libvips-tools

"$root/scripts/setup.sh" "$build" >/dev/null
bench="$build/bench/bench_shrink"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "vips: $(vips --version)"
echo "Generating photos (once) in $data"
"$bench" generate "$data" "$count"
photos=()
for ((i = 1; i <= count; i++)); do photos+=("$(printf '%s/photo-%02d.jpg' "$data" "$i")"); done
big="$data/big-24mp.jpg"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/ours" "$out/vips" "$out/ref"

field() { # field NAME LINE: the value after NAME in a "name value ..." line
  awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }' <<<"$2"
}
best() { sort -g | head -1; }
worst() { sort -g | tail -1; }

echo
echo "== In-process (Google Benchmark), one picture per iteration"
PIXTRAIL_BENCH_DIR="$data" "$bench" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true 2>/dev/null

echo
echo "== Whole batch of $count photos, one process each, best of 3 (rounds interleaved)"
ours_s=() vips_s=() vips1_s=() ours_kib=() vips_kib=()
for round in 1 2 3; do
  line=$("$bench" measure -- "$bench" shrink "$out/ours" "${photos[@]}" | tail -1)
  ours_s+=("$(field seconds "$line")") ours_kib+=("$(field peak_rss_kib "$line")")
  line=$("$bench" measure -- vipsthumbnail --size 300x300 -o "$out/vips/%s.jpg[Q=90]" "${photos[@]}")
  vips_s+=("$(field seconds "$line")") vips_kib+=("$(field peak_rss_kib "$line")")
  line=$(VIPS_CONCURRENCY=1 "$bench" measure -- vipsthumbnail --size 300x300 \
    -o "$out/vips/%s.jpg[Q=90]" "${photos[@]}")
  vips1_s+=("$(field seconds "$line")")
done
rate() { awk -v n="$count" -v s="$1" 'BEGIN { printf "%.1f", n / s }'; }
o=$(printf '%s\n' "${ours_s[@]}" | best)
v=$(printf '%s\n' "${vips_s[@]}" | best)
v1=$(printf '%s\n' "${vips1_s[@]}" | best)
printf '%-34s %6s s  %6s pictures/s  peak %s MiB\n' \
  "pixtrail (1 thread)" "$o" "$(rate "$o")" "$(($(printf '%s\n' "${ours_kib[@]}" | worst) / 1024))" \
  "vipsthumbnail ($(nproc) threads)" "$v" "$(rate "$v")" "$(($(printf '%s\n' "${vips_kib[@]}" | worst) / 1024))"
printf '%-34s %6s s  %6s pictures/s\n' "vipsthumbnail (VIPS_CONCURRENCY=1)" "$v1" "$(rate "$v1")"

echo
echo "== Peak memory for one 6000 x 4000 (24-megapixel) photo"
line=$("$bench" measure -- "$bench" shrink "$out/ours" "$big" | tail -1)
echo "pixtrail:      $(($(field peak_rss_kib "$line") / 1024)) MiB"
line=$("$bench" measure -- vipsthumbnail --size 300x300 -o "$out/vips/%s.jpg[Q=90]" "$big")
echo "vipsthumbnail: $(($(field peak_rss_kib "$line") / 1024)) MiB"

echo
echo "== SSIM (luma) against a full-resolution Lanczos-3 reduction (vips reduce), mean"
sum_ours=0 sum_vips=0
for photo in "${photos[@]}"; do
  name=$(basename "$photo" .jpg)
  # 4000 / 300: the same 300 x 225 as both shrinks, filtered from every source pixel.
  vips reduce "$photo" "$out/ref/$name.ppm" 13.333333333 13.333333333 --kernel lanczos3
  sum_ours=$(awk -v a="$sum_ours" -v b="$("$bench" ssim "$out/ref/$name.ppm" "$out/ours/$name.jpg")" \
    'BEGIN { print a + b }')
  sum_vips=$(awk -v a="$sum_vips" -v b="$("$bench" ssim "$out/ref/$name.ppm" "$out/vips/$name.jpg")" \
    'BEGIN { print a + b }')
done
awk -v o="$sum_ours" -v v="$sum_vips" -v n="$count" \
  'BEGIN { printf "pixtrail:      %.5f\nvipsthumbnail: %.5f\n", o / n, v / n }'

echo
echo "== The Windows build (under Wine) beside the Linux build, the same photos"
BUILD="$build" PHOTOS="$count" "$root/bench/shrink_windows_bench.sh" | tail -3
