#!/usr/bin/env bash
# Installs what Pixtrail needs on Debian 12 (only what is missing) and builds it with Ninja.
# Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
shift || true

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl1-mesa-dev libcurl4-openssl-dev
          libssl-dev libturbojpeg0-dev libpng-dev libgif-dev libcpp-httplib-dev libgtest-dev
          libgmock-dev libbenchmark-dev xvfb xauth)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build"
