#!/usr/bin/env bash
# Signs a release executable with the release key and prints the update-feed lines that
# offer it. Usage: scripts/sign-release.sh RELEASE-KEY.pem PROGRAM DOWNLOAD-URL VERSION [DAYS]
set -euo pipefail
if [[ $# -lt 4 ]]; then
  echo "Usage: $0 RELEASE-KEY.pem PROGRAM DOWNLOAD-URL VERSION [DAYS]" >&2
  exit 2
fi
key=$1 program=$2 url=$3 version=$4 days=${5:-7}
signature=$(openssl pkeyutl -sign -rawin -inkey "$key" -in "$program" | base64 -w0)
printf '<version>%s</version>\n<days>%s</days>\n<download>%s</download>\n<signature>%s</signature>\n' \
  "$version" "$days" "$url" "$signature"
