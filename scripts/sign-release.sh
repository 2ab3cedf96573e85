#!/usr/bin/env bash
# Signs a release executable with the release key and prints the update-feed lines that
# offer it. Usage: scripts/sign-release.sh RELEASE-KEY.pem PROGRAM DOWNLOAD-URL VERSION [DAYS]
set -euo pipefail
if [[ $# -lt 4 ]]; then
  echo "Usage: $0 RELEASE-KEY.pem PROGRAM DOWNLOAD-URL VERSION [DAYS]" >&2
  exit 2
fi
key=$1 program=$2 url=$3 version=$4 days=${5:-7}
# The key signs the SHA-512 digest of the program: a signature check then holds 64 bytes,
# not a program of megabytes, in its message.
digest=$(mktemp)
trap 'rm -f "$digest"' EXIT
openssl dgst -sha512 -binary "$program" >"$digest"
signature=$(openssl pkeyutl -sign -rawin -inkey "$key" -in "$digest" | base64 -w0)
printf '<version>%s</version>\n<days>%s</days>\n<download>%s</download>\n<signature>%s</signature>\n' \
  "$version" "$days" "$url" "$signature"
