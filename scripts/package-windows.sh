#!/usr/bin/env bash
# Builds the Windows packages: the portable build-win64/pixtrail-<version>-win64.zip with
# pixtrail.exe (the window) and pixtrail-cli.exe (each one self-contained file: they need
# only DLLs that every Windows has), the README as text, the licence texts of the libraries
# linked into them, and a sample language.ini (German, as language-de.ini); and the
# installer build-win64/pixtrail-<version>-setup.exe with the same files
# (data/windows/installer.nsi). Usage: scripts/package-windows.sh [--release-key FILE.pub]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win64"
key=()
if [[ ${1:-} == --release-key ]]; then
  key=(-DPIXTRAIL_RELEASE_KEY_FILE="$(realpath "$2")")
fi

"$root/scripts/install_packages.sh" zip g++-mingw-w64-x86-64-posix nasm binutils-mingw-w64-x86-64 nsis
deps=$("$root/scripts/windows_deps.sh" | tail -1)
if [[ -f $build/CMakeCache.txt ]] && ! grep -q "^PIXTRAIL_WINDOWS_DEPS:PATH=$deps$" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
PIXTRAIL_WINDOWS_DEPS="$deps" cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DPIXTRAIL_WINDOWS_DEPS="$deps" \
  -DCMAKE_BUILD_TYPE=Release "${key[@]}" >/dev/null
cmake --build "$build" -j2 --target pixtrail pixtrail-cli

version=$(sed -n 's/^project(Pixtrail VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name="pixtrail-$version-win64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/licences"
programs=(pixtrail.exe pixtrail-cli.exe)
x86_64-w64-mingw32-strip -o "$stage/$name/pixtrail.exe" "$build/src/win/pixtrail.exe"
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

# Only system DLLs: anything else would have to ship beside the programs. The window adds
# those of Windows' own controls, dialogs and drawing.
declare -A needs
for exe in "${programs[@]}"; do
  needs[$exe]=$(x86_64-w64-mingw32-objdump -p "$stage/$name/$exe" | sed -n 's/.*DLL Name: //p' | sort -f)
  for dll in ${needs[$exe]}; do
    case ${dll,,} in
    kernel32.dll | user32.dll | advapi32.dll | shell32.dll | ws2_32.dll | crypt32.dll | bcrypt.dll | msvcrt.dll) ;;
    gdi32.dll | comctl32.dll | comdlg32.dll | ole32.dll | oleaut32.dll | uxtheme.dll | shlwapi.dll) ;;
    *)
      echo "$exe needs $dll, which Windows does not bring" >&2
      exit 1
      ;;
    esac
  done
done

rm -f "$build/$name.zip"
(cd "$stage" && zip -qr9 "$build/$name.zip" "$name")

# The installer gets the staged files by name, so that its uninstaller removes those and
# nothing else; folders deepest first, as they empty.
files="$stage/files.nsh"
{
  echo '!macro PIXTRAIL_STAGED_FILES DO'
  (cd "$stage/$name" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while read -r f; do
    echo "  !insertmacro \${DO} \"${f//\//\\}\""
  done
  echo '!macroend'
  echo '!macro PIXTRAIL_STAGED_FOLDERS DO'
  (cd "$stage/$name" && find . -mindepth 1 -depth -type d | sed 's|^\./||') | while read -r d; do
    echo "  !insertmacro \${DO} \"${d//\//\\}\""
  done
  echo '!macroend'
} >"$files"
setup="$build/pixtrail-$version-setup.exe"
rm -f "$setup"
makensis -V2 -WX -DSTAGE="$stage/$name" -DFILES="$files" -DVERSION="$version" -DOUTFILE="$setup" \
  "$root/data/windows/installer.nsi" >"$stage/makensis.log" || { cat "$stage/makensis.log" >&2; exit 1; }

echo "$build/$name.zip"
echo "$setup"
for exe in "${programs[@]}"; do
  echo "$exe needs only: $(paste -sd, <<<"${needs[$exe]}" | sed 's/,/, /g')"
done
for f in "$stage/$name/pixtrail.exe" "$stage/$name/pixtrail-cli.exe" "$build/$name.zip" "$setup"; do
  printf '%10d bytes  %s\n' "$(stat -c %s "$f")" "$(basename "$f")"
done
