#!/usr/bin/env bash
# Installs what Pixtrail needs on Debian 12 (only what is missing) and builds it with Ninja.
# Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
shift || true

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl1-mesa-dev libcurl4-openssl-dev
          libgcrypt20-dev openssl libturbojpeg0-dev libpng-dev libgif-dev libcpp-httplib-dev libgtest-dev
          libgmock-dev libbenchmark-dev xvfb xauth qt6-translations-l10n
          desktop-file-utils appstream groff-base man-db)

"$root/scripts/install_packages.sh" "${packages[@]}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build"
