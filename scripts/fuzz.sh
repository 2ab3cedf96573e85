#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds under AddressSanitizer and
# UndefinedBehaviorSanitizer, two at a time, and reports executions, coverage and crashes.
# Usage: scripts/fuzz.sh SECONDS [TARGET...]     (corpora grow in build-fuzz/corpus/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
# A build made by scripts/sanitize.sh (PIXTRAIL_FUZZ_BUILD) is used as it is.
build=$(realpath -m "${PIXTRAIL_FUZZ_BUILD:-$root/build-fuzz}")

"$root/scripts/install_packages.sh" clang libclang-rt-14-dev
if [[ -z ${PIXTRAIL_FUZZ_BUILD:-} ]]; then
  "$root/scripts/setup.sh" "$root/build" >/dev/null # installs the libraries the core needs
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPIXTRAIL_FUZZ=ON -DPIXTRAIL_GUI=OFF -DPIXTRAIL_TESTS=OFF >/dev/null
  cmake --build "$build" >/dev/null
fi

targets=("$@")
if ((${#targets[@]} == 0)); then
  mapfile -t targets < <(cd "$build/fuzz" && ls fuzz_* | grep -v '\.' | sort)
fi

run_one() {
  local t=$1 corpus="$build/corpus/$1" log="$build/logs/$1.log"
  mkdir -p "$corpus" "$build/logs" "$build/crashes/$t"
  [[ -d "$root/fuzz/seeds/${t#fuzz_}" ]] && cp -n "$root/fuzz/seeds/${t#fuzz_}"/* "$corpus"/ 2>/dev/null || true
  if [[ $t == fuzz_page_walk ]]; then
    # The sample site's cache pages, in every shape the walk knows, with a real host.
    local page
    for page in "$root"/demo/site/caches/*.html; do
      [[ -e "$corpus/${page##*/}" ]] || sed 's/@HOST@/img.test/g' "$page" >"$corpus/${page##*/}"
    done
  fi
  local status=0
  (cd "$build/crashes/$t" && "$build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 \
      -timeout=20 -print_final_stats=1 "$corpus" >"$log" 2>&1) || status=$?
  local runs cov
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
  if ((status == 0)); then
    echo "$t: $runs runs, coverage $cov, no crash"
  else
    echo "$t: FAILED after $runs runs (see $log and $build/crashes/$t)"
    return 1
  fi
}

failed=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" & pids+=($!)
  if ((${#pids[@]} == 2)); then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
exit $failed
