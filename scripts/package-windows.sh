#!/usr/bin/env bash
# Builds the portable Windows package: build-win64/pixtrail-<version>-win64.zip with
# pixtrail-cli.exe (one self-contained file: it needs only DLLs that every Windows has),
# the README as text, the licence texts of the libraries linked into it, and a sample
# language.ini (German, as language-de.ini). Usage: scripts/package-windows.sh [--release-key FILE.pub]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win64"
key=()
if [[ ${1:-} == --release-key ]]; then
  key=(-DPIXTRAIL_RELEASE_KEY_FILE="$(realpath "$2")")
fi

"$root/scripts/install_packages.sh" zip g++-mingw-w64-x86-64-posix nasm binutils-mingw-w64-x86-64
deps=$("$root/scripts/windows_deps.sh" | tail -1)
if [[ -f $build/CMakeCache.txt ]] && ! grep -q "^PIXTRAIL_WINDOWS_DEPS:PATH=$deps$" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
PIXTRAIL_WINDOWS_DEPS="$deps" cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DPIXTRAIL_WINDOWS_DEPS="$deps" \
  -DCMAKE_BUILD_TYPE=Release "${key[@]}" >/dev/null
cmake --build "$build" --target pixtrail-cli

version=$(sed -n 's/^project(Pixtrail VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name="pixtrail-$version-win64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/licences"
x86_64-w64-mingw32-strip -o "$stage/$name/pixtrail-cli.exe" "$build/src/cli/pixtrail-cli.exe"
# Text files as a Windows editor wants them: CR LF.
sed 's/$/\r/' "$root/README.md" >"$stage/$name/README.txt"
# A translation to copy as language.ini beside the program; shipped under its own name, so
# the program speaks English until the user chooses it.
cp "$root/demo/language-de.ini" "$stage/$name/language-de.ini"
for f in "$deps"/licences/*.txt; do
  sed 's/$/\r/' "$f" >"$stage/$name/licences/$(basename "$f")"
done
sed 's/$/\r/' "$root/data/copyright" >"$stage/$name/licences/pixtrail.txt"

# Only system DLLs: anything else would have to ship beside the program.
dlls=$(x86_64-w64-mingw32-objdump -p "$stage/$name/pixtrail-cli.exe" | sed -n 's/.*DLL Name: //p' | sort -f)
for dll in $dlls; do
  case ${dll,,} in
  kernel32.dll | user32.dll | advapi32.dll | shell32.dll | ws2_32.dll | crypt32.dll | bcrypt.dll | msvcrt.dll) ;;
  *)
    echo "pixtrail-cli.exe needs $dll, which Windows does not bring" >&2
    exit 1
    ;;
  esac
done

rm -f "$build/$name.zip"
(cd "$stage" && zip -qr9 "$build/$name.zip" "$name")
echo "$build/$name.zip"
echo "pixtrail-cli.exe needs only: $(echo $dlls | tr ' ' ',' | sed 's/,/, /g')"
