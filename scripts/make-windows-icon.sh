#!/usr/bin/env bash
# Makes data/windows/pixtrail.ico, the Windows programs' and the installer's icon, from the
# project's drawing (data/app.pixtrail.Pixtrail.svg). Each size Explorer, the Start menu and
# the taskbar ask for at the common display scalings is drawn from the vector drawing itself,
# not scaled down from one bitmap, so the small ones stay sharp; the 256 px image goes in as
# PNG, which every Windows since Vista reads and which keeps the file small.
# Usage: scripts/make-windows-icon.sh   (run it after changing the drawing; commit the .ico)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install_packages.sh" librsvg2-bin icoutils

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
images=()
for size in 16 24 32 48 64 256; do
  rsvg-convert -w "$size" -h "$size" -o "$work/$size.png" "$root/data/app.pixtrail.Pixtrail.svg"
  if ((size == 256)); then
    images+=("--raw=$work/$size.png")
  else
    images+=("$work/$size.png") # 32-bit images with their alpha channel, as BMP
  fi
done
icotool -c -o "$work/pixtrail.ico" "${images[@]}"
mv "$work/pixtrail.ico" "$root/data/windows/pixtrail.ico"
icotool -l "$root/data/windows/pixtrail.ico"
