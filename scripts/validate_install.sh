#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what an installation carries: the
# desktop entry, the AppStream metadata, the manual pages and the bash completion. A
# validator that is not installed is skipped with a message saying so.
# Usage: scripts/validate_install.sh BUILD-DIR
set -euo pipefail
build=$(realpath "$1")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
share="$prefix/share"
failed=0
check() { # NAME COMMAND...: runs the check, or says why it was skipped
  local name=$1 tool=$2
  shift
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED $name: $tool is not installed (scripts/setup.sh installs it)"
    return
  fi
  if out=$("$@" 2>&1); then
    echo "ok      $name"
  else
    echo "FAILED  $name"; echo "$out"; failed=1
  fi
}
# The menu entry and its icons come with the window program (a build without it has none).
if [[ -x $prefix/bin/pixtrail ]]; then
  check "desktop entry" desktop-file-validate "$share/applications/app.pixtrail.Pixtrail.desktop"
  [[ -f $share/icons/hicolor/scalable/apps/app.pixtrail.Pixtrail.svg &&
     -f $share/icons/hicolor/128x128/apps/app.pixtrail.Pixtrail.png ]] ||
    { echo "FAILED  icons are missing"; failed=1; }
fi
check "AppStream metadata" appstreamcli validate --no-net \
  "$share/metainfo/app.pixtrail.Pixtrail.metainfo.xml"
for page in "$share"/man/man1/*.1.gz; do
  # groff prints its warnings without failing: any output is a failure here.
  check "manual page $(basename "$page") (groff)" bash -c \
    "out=\$(zcat '$page' | groff -ww -z -man 2>&1); [[ -z \$out ]] || { echo \"\$out\"; exit 1; }"
  check "manual page $(basename "$page") (man)" man -l "$page"
done

# The completion offers every option the program knows, and nothing it does not.
completion="$share/bash-completion/completions/pixtrail-cli"
check "bash completion syntax" bash -n "$completion"
known=$("$prefix/bin/pixtrail-cli" --help | grep -oE '(^| )-(-[a-z][a-z-]*|a)\b' | tr -d ' ' |
        sort -u)
offered=$(tr '\n' ' ' < "$completion" | grep -oE "compgen -W '[^']*'" |
          grep -oE -- "(^|[ '])-(-[a-z][a-z-]*|a)\b" | tr -d " '" | sort -u)
if [[ $known == "$offered" ]]; then
  echo "ok      bash completion lists every option"
else
  echo "FAILED  bash completion and --help differ:"; diff <(echo "$known") <(echo "$offered") || true
  failed=1
fi
exit $failed
