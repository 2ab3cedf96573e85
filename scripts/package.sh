#!/usr/bin/env bash
# Builds the Debian package build/pixtrail_<version>_<arch>.deb: a release build installed
# under /usr, its library dependencies worked out by dpkg-shlibdeps, then checked by lintian.
# Usage: scripts/package.sh [--release-key FILE]
#   FILE: the public half of the release key (scripts/make-release-key.sh); without it the
#   package announces new releases but never installs one. PIXTRAIL_UPDATE_PUBLIC_KEY=<base64>
#   in the environment gives the key as text instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
key_args=()
while (($#)); do
  case $1 in
    --release-key) key_args=(-DPIXTRAIL_RELEASE_KEY_FILE="$(realpath "$2")"); shift 2 ;;
    *) echo "Usage: $0 [--release-key FILE]" >&2; exit 2 ;;
  esac
done
if ((${#key_args[@]} == 0)) && [[ -n ${PIXTRAIL_UPDATE_PUBLIC_KEY:-} ]]; then
  key_args=(-DPIXTRAIL_UPDATE_PUBLIC_KEY="$PIXTRAIL_UPDATE_PUBLIC_KEY")
fi

"$root/scripts/install_packages.sh" cmake ninja-build g++ pkg-config qt6-base-dev \
  libgl1-mesa-dev libcurl4-openssl-dev libgcrypt20-dev openssl libturbojpeg0-dev libpng-dev libgif-dev \
  qt6-translations-l10n dpkg-dev file lintian

# Debian's hardening flags (fortified functions, full RELRO, stack protector).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

build="$root/build/package"
rm -rf "$build/_CPack_Packages"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DPIXTRAIL_TESTS=OFF -DPIXTRAIL_WERROR=OFF -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "${key_args[@]}" >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/pixtrail_*.deb)
cp "$deb" "$root/build/"
deb="$root/build/$(basename "$deb")"
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends
echo "lintian:"
lintian --tag-display-limit 0 "$deb" || true
if lintian "$deb" 2>&1 | grep -q '^E:'; then
  echo "lintian reports errors" >&2
  exit 1
fi
