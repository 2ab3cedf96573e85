#!/usr/bin/env bash
# Cross-builds the libraries the Windows programs link (libjpeg-turbo with its SIMD code,
# libpng, giflib, libcurl with Schannel, cpp-httplib, GoogleTest and Google Benchmark) from
# Debian 12's source packages of the versions the Linux build uses, as static libraries for
# mingw-w64.
# zlib and libgcrypt come as Debian's own mingw-w64 packages. The result is a prefix
# outside the clone, keyed by the versions and this script, so a later run reuses it.
# Usage: scripts/windows_deps.sh        (prints the prefix on its last line)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install_packages.sh" dpkg-dev g++-mingw-w64-x86-64-posix mingw-w64-tools nasm \
  libz-mingw-w64-dev libgcrypt-mingw-w64-dev cmake ninja-build pkg-config libturbojpeg0-dev \
  libpng-dev libgif-dev libcurl4-openssl-dev libcpp-httplib-dev libgtest-dev libbenchmark-dev

# The source packages: the ones behind the Linux build's libraries, so both give the same
# bytes. apt verifies what it fetches against the archive's signed lists.
sources=(libjpeg-turbo:libturbojpeg0-dev libpng1.6:libpng-dev giflib:libgif-dev
         curl:libcurl4-openssl-dev benchmark:libbenchmark-dev cpp-httplib:libcpp-httplib-dev)
# The contents, not the paths: every clone of the same sources shares the prefix.
key=$(cat "$0" "$root/cmake/mingw-w64-x86_64.cmake" | sha256sum | cut -c1-12)
wanted=()
for s in "${sources[@]}"; do
  version=$(dpkg-query -W -f='${source:Version}' "${s#*:}")
  wanted+=("${s%%:*}=$version")
  key+="-${s%%:*}_${version//[^A-Za-z0-9.]/_}"
done
key=$(echo "$key" | sha256sum | cut -c1-16)
cache=${PIXTRAIL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pixtrail}
prefix="$cache/win64-$key"
if [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi

list=/etc/apt/sources.list.d/pixtrail-deb-src.sources
if ! apt-get source --print-uris -qq libjpeg-turbo >/dev/null 2>&1; then
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  # The same archive and suites as the binary packages, for source packages.
  "${sudo[@]}" tee "$list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  "${sudo[@]}" apt-get update -qq
fi

work="$cache/win64-build-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/include" "$prefix/lib/pkgconfig"
log="$work/build.log"
echo "Cross-building the Windows libraries into $prefix (log: $log)" >&2
cd "$work"
# A mirror may lack the newest Debian revision of a source package for a while; then the
# newest revision of the same upstream version that it has is taken, and said.
for w in "${wanted[@]}"; do
  name=${w%%=*} version=${w#*=}
  apt-get source -qq "$w" >>"$log" 2>&1 && continue
  upstream=${version%-*}
  fetched=
  for v in $(apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -rV); do
    [[ $v == "$version" || ${v%-*} != "$upstream" ]] && continue
    if apt-get source -qq "$name=$v" >>"$log" 2>&1; then fetched=$v; break; fi
  done
  [[ -n $fetched ]] || { echo "cannot fetch the source of $name $upstream" >&2; exit 1; }
  echo "note: $name $version is not on the mirror; built $fetched instead" >&2
done

tool="$root/cmake/mingw-w64-x86_64.cmake"
host=x86_64-w64-mingw32
jobs=$(nproc)
zlib=/usr/$host/lib/libz.a # static, so the programs need no zlib DLL
cmake_build() { # source-dir build-dir cmake-args...
  local src=$1 out=$2
  shift 2
  cmake -S "$src" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$tool" \
    -DPIXTRAIL_WINDOWS_DEPS="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DZLIB_LIBRARY="$zlib" "$@" >>"$log" 2>&1
  cmake --build "$out" -j"$jobs" >>"$log" 2>&1
  cmake --install "$out" >>"$log" 2>&1
}
trap 'echo "building the Windows libraries failed; the end of $log:" >&2; tail -30 "$log" >&2' ERR

cmake_build libjpeg-turbo-*/ jpeg -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=ON \
  -DREQUIRE_SIMD=ON -DWITH_JPEG8=OFF
cmake_build libpng1.6-*/ png -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DPNG_BUILD_ZLIB=OFF -DSKIP_INSTALL_PROGRAMS=ON
# giflib builds with a plain Makefile meant for Unix: its library is these few files.
(
  cd giflib-*/
  objects=()
  for c in dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c \
           openbsd-reallocarray.c quantize.c; do
    $host-gcc-posix -O2 -c "$c" -o "${c%.c}.o"
    objects+=("${c%.c}.o")
  done
  $host-ar rcs "$prefix/lib/libgif.a" "${objects[@]}"
  cp gif_lib.h "$prefix/include/"
) >>"$log" 2>&1
cmake_build curl-*/ curl -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=ON \
  -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF \
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DCURL_DISABLE_LDAP=ON \
  -DENABLE_UNIX_SOCKETS=OFF -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none -DENABLE_MANUAL=OFF
cmake_build /usr/src/googletest gtest -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF
benchmark=$(echo benchmark-*/)
cmake_build "$benchmark" benchmark -DGIT_VERSION="${benchmark//[^0-9.]/}" -DBENCHMARK_ENABLE_TESTING=OFF \
  -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF
# cpp-httplib's own single header (Debian's splits it into a header and a Linux library):
# the fixture site of the tests compiles it for Windows too.
cp cpp-httplib-*/httplib.h "$prefix/include/"
# The licence texts the Windows package carries beside the programs.
mkdir -p "$prefix/licences"
cp libjpeg-turbo-*/LICENSE.md "$prefix/licences/libjpeg-turbo.txt"
cp libpng1.6-*/LICENSE "$prefix/licences/libpng.txt"
cp giflib-*/COPYING "$prefix/licences/giflib.txt"
cp curl-*/COPYING "$prefix/licences/curl.txt"
for p in zlib1g libgcrypt20 libgpg-error0 gcc-mingw-w64-base mingw-w64-common; do
  [[ -f /usr/share/doc/$p/copyright ]] && cp "/usr/share/doc/$p/copyright" "$prefix/licences/$p.txt"
done
trap - ERR

touch "$prefix/.complete"
rm -rf "$work"
# Prefixes of other versions are of no more use.
for old in "$cache"/win64-*; do
  [[ $old == "$prefix" ]] || rm -rf "$old"
done
echo "$prefix"
