#!/usr/bin/env bash
# Makes a release key pair for a publisher of Pixtrail: an Ed25519 private key, which signs
# releases (scripts/sign-release.sh) and must stay with the publisher, and its public half,
# which builds take with -DPIXTRAIL_RELEASE_KEY_FILE=... so that they accept those releases.
# Usage: scripts/make-release-key.sh FOLDER   (outside this repository; it must not exist yet
# or be empty)
set -euo pipefail
if [[ $# -ne 1 ]]; then
  echo "Usage: $0 FOLDER" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$(realpath -m "$1")
case "$folder/" in
  "$root"/*) echo "$0: $folder is inside the repository; the private key must never be" \
                  "committed. Choose a folder elsewhere." >&2
             exit 2 ;;
esac
mkdir -p "$folder"
private="$folder/pixtrail-release.pem" public="$folder/pixtrail-release.pub"
for f in "$private" "$public"; do
  [[ ! -e $f ]] || { echo "$0: $f exists; a key is never overwritten" >&2; exit 1; }
done
(umask 077 && openssl genpkey -algorithm ed25519 -out "$private")
# The public half as the program holds it: the raw 32-byte key in base64.
openssl pkey -in "$private" -pubout -outform DER | tail -c 32 | base64 -w0 > "$public"
echo "Private key (keep it safe, off this machine's repositories): $private"
echo "Public key for builds: $public"
echo "Build with: cmake -S . -B build -DPIXTRAIL_RELEASE_KEY_FILE=$public"
