#!/usr/bin/env bash
# The Windows programs: cross-builds them with mingw-w64 (the libraries from
# scripts/windows_deps.sh, cached outside the clone), runs every room's tests under Wine,
# then syncs the bundled sample caches from the sample site with pixtrail-cli.exe under Wine
# and with the Linux pixtrail-cli, and requires the same files, byte for byte, and a second
# run that skips every cache; then builds the installer and installs and uninstalls it.
# Needs the Linux build in build/ (for the sample site).
# Usage: scripts/windows_test.sh [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win64"
linux="$root/build"

"$root/scripts/install_packages.sh" wine wine64 g++-mingw-w64-x86-64-posix nasm xvfb
deps=$("$root/scripts/windows_deps.sh" | tail -1)

# A settled Wine of our own, kept with the libraries, and one Wine server for the whole
# suite, so that each program starts in a fraction of a second.
export WINEPREFIX="${PIXTRAIL_WINEPREFIX:-$(dirname "$deps")/wine}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install Mono or Gecko
mkdir -p "$WINEPREFIX"
# The window's tests and the window's sync need a display: a virtual one of our own.
if [[ -z ${PIXTRAIL_KEEP_DISPLAY:-} ]]; then
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s $displayfile ]] && break; sleep 0.1; done
  [[ -s $displayfile ]] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$displayfile")"
  rm -f "$displayfile"
fi
stop_display() { [[ -z ${xvfb_pid:-} ]] || kill "$xvfb_pid" 2>/dev/null || true; }
wineserver -k >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot -i </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display' EXIT

# A build folder made against another prefix of the libraries starts afresh.
if [[ -f $build/CMakeCache.txt ]] && ! grep -q "^PIXTRAIL_WINDOWS_DEPS:PATH=$deps$" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
PIXTRAIL_WINDOWS_DEPS="$deps" cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DPIXTRAIL_WINDOWS_DEPS="$deps" \
  -DCMAKE_BUILD_TYPE=Release -DPIXTRAIL_WERROR=ON >/dev/null
cmake --build "$build" </dev/null
(cd "$build" && ctest --output-on-failure --timeout 300 -j2 "$@" </dev/null)

echo "== The self-update's hand-over of the Windows build, under Wine"
PIXTRAIL_WINDOWS_HANDOVER="$build/tests/pixtrail-handover-program.exe" \
  PIXTRAIL_WINDOWS_WINDOW="$build/tests/pixtrail-test-release.exe" \
  PIXTRAIL_WINDOWS_BOX_ANSWERER="$build/tests/pixtrail-box-answerer.exe" \
  "$linux/tests/test_e2e" --gtest_filter='Handover.*OnWindows*' </dev/null

echo "== pixtrail-cli.exe under Wine against the sample site, beside the Linux build"
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display; rm -rf "$work"' EXIT
source "$root/scripts/demo_site.sh"
start_demo_site "$linux" "$work"
trap 'kill $demo_site_pid 2>/dev/null || true; wineserver -k >/dev/null 2>&1 || true; stop_display; rm -rf "$work"' EXIT
for side in linux windows window; do
  mkdir -p "$work/$side/spoilers"
  sed "s|^Spoilerfolder=.*|Spoilerfolder=$work/$side/spoilers|" "$work/pixtrail.ini" >"$work/$side/pixtrail.ini"
done
cp "$linux/src/cli/pixtrail-cli" "$work/linux/"
cp "$build/src/cli/pixtrail-cli.exe" "$work/windows/"
sync() { # side: one unattended run of that side's program with the sample settings
  local side=$1
  if [[ $side == linux ]]; then
    XDG_CONFIG_HOME="$work/linux/config" "$work/linux/pixtrail-cli" -a --delay 0 \
      --spoiler-folder "$work/linux/spoilers" --waypoint-file "$root/demo/sample.gpx"
  else
    wine "$work/windows/pixtrail-cli.exe" -a --delay 0 --spoiler-folder "$work/windows/spoilers" \
      --waypoint-file "$root/demo/sample.gpx" </dev/null
  fi
}
wine reg delete 'HKCU\Software\Pixtrail\Settings' /v GUI /f </dev/null >/dev/null 2>&1 || true
for side in linux windows; do
  sync "$side" >"$work/$side/first.out"
done
diff -r "$work/linux/spoilers" "$work/windows/spoilers"
diff <(tr -d '\r' <"$work/linux/first.out") <(tr -d '\r' <"$work/windows/first.out" | sed "s|$work/windows|$work/linux|g")
caches=$(grep -c . "$work/linux/first.out" || true)
echo "the same $(find "$work/windows/spoilers" -type f | wc -l) files from $caches result lines"
# The second run finds every cache done: its pictures or its no-spoiler line are there.
sync windows >"$work/windows/second.out"
if grep -v -e ' spoilers already downloaded$' -e ' no spoilers found$' <(tr -d '\r' <"$work/windows/second.out"); then
  echo "the second Windows run did not skip every cache" >&2
  exit 1
fi
[[ $(grep -c . "$work/windows/second.out") == "$caches" ]]
diff -r "$work/linux/spoilers" "$work/windows/spoilers"
echo "a second run skips all $caches caches and changes nothing"

echo "== pixtrail.exe -a: the window's unattended run, ending the program when it is over"
cp "$build/src/win/pixtrail.exe" "$work/window/"
sed -i -e "s|^Waypointfile=.*|Waypointfile=$root/demo/sample.gpx\r|" -e 's|^delay=.*|delay=0\r|' \
  "$work/window/pixtrail.ini"
timeout 120 wine "$work/window/pixtrail.exe" -a "$work/window/pixtrail.ini" </dev/null
diff -r "$work/linux/spoilers" "$work/window/spoilers"
grep -q "^Finished: " "$work/window/log.txt"
echo "the window's run stored the same $(find "$work/window/spoilers" -type f | wc -l) files and ended"

echo "== The installer, built and then installed and uninstalled silently under Wine"
setup=$("$root/scripts/package-windows.sh" </dev/null | sed -n '\|^/.*-setup\.exe$|p')
PIXTRAIL_TEST_WINDOW=1 "$root/scripts/windows_install_test.sh" "$setup"
