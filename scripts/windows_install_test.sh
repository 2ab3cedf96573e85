#!/usr/bin/env bash
# The Windows installer under Wine, as a user meets it: SETUP.exe installed silently for
# all users and then for the current user. Each time: the files, the Start-menu shortcut
# of that scope and the entry in Windows' list of programs are there; the installed
# pixtrail-cli.exe syncs the bundled sample caches from the sample site into the same
# files as the Linux program and keeps its own files in %APPDATA%\Pixtrail; for all users
# also an installation over a running copy, which must stop with an error and change
# nothing, and the window started from its shortcut. Then the uninstaller registered for
# that scope runs silently: the installer's files, the shortcut and the entry must be gone,
# and the spoiler folder with a file of the user's, the waypoint file, the settings in
# %APPDATA%\Pixtrail and in the registry, and a file the user left in the program's folder
# must all still be there.
# Runs in the Wine prefix of $WINEPREFIX (scripts/windows_test.sh sets it and starts the
# Wine server); needs the Linux build in build/ for the sample site.
# PIXTRAIL_TEST_WINDOW=1 also starts the installed window from its shortcut and looks for
# its top-level window by its title, with xdotool on the X display in $DISPLAY.
# Usage: scripts/windows_install_test.sh SETUP.exe
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linux="$root/build"
setup=$(realpath "$1")
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix to install into (scripts/windows_test.sh does)}"
export WINEPREFIX WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
version=$(sed -n 's/^project(Pixtrail VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
window=${PIXTRAIL_TEST_WINDOW:-0}
if [[ $window == 1 ]]; then
  "$root/scripts/install_packages.sh" xdotool
  [[ -n ${DISPLAY:-} ]] || { echo "PIXTRAIL_TEST_WINDOW=1 needs an X display in DISPLAY" >&2; exit 1; }
fi

work=$(mktemp -d)
# Wine's menu builder mirrors each Start-menu shortcut into the Linux desktop's menu: into
# the work folder with it, not the home folder.
export XDG_DATA_HOME="$work/xdg/data" XDG_CONFIG_HOME="$work/xdg/config"
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Pixtrail'
winpath() { wine winepath -u "$1" </dev/null 2>/dev/null | tr -d '\r'; }
winpath_w() { echo "Z:${1//\//\\}"; } # a Linux path as Windows programs see it
winenv() { wine cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
fail() {
  echo "windows_install_test: $*" >&2
  exit 1
}
# Every run of a Windows program in here ends within a minute, or the test fails.
run() { timeout 60 wine "$@" </dev/null; }
sha() { sha256sum "$1" | cut -d' ' -f1; }
fingerprint() { # PATH...: each file below them with the digest of its contents
  local k
  for k in "$@"; do
    if [[ -d $k ]]; then
      (cd "$k" && find . -type f -exec sha256sum {} +) | sed "s|  \./|  $k/|"
    elif [[ -f $k ]]; then
      sha256sum "$k"
    else
      echo "missing $k"
    fi
  done | sort
}

# What this test changes in the prefix, put back however it ends.
installed=0 had_profile=0 had_settings=0 profile='' site='' busy='' hold='' holder=''
declare -A instdir_win startmenu instdir
declare -A hive=([AllUsers]=HKLM [CurrentUser]=HKCU)
cleanup() {
  set +e
  # Only what this test installed: it refused to start on an installation it found, and
  # an installation of one scope may have put things in the other's places.
  if [[ $installed == 1 ]]; then
    for scope in AllUsers CurrentUser; do
      rm -rf "${instdir[$scope]}"
      rm -f "${startmenu[$scope]}/Pixtrail.lnk"
      run reg delete "${hive[$scope]}\\$key" /f >/dev/null 2>&1
    done
  fi
  [[ -n $site ]] && kill "$site" 2>/dev/null
  [[ -n $busy ]] && kill "$busy" 2>/dev/null
  if [[ -n $profile ]]; then
    rm -rf "$profile"
    [[ $had_profile == 1 ]] && mv "$work/profile.saved" "$profile"
    run reg delete 'HKCU\Software\Pixtrail' /f >/dev/null 2>&1
    [[ $had_settings == 1 ]] && run reg import "$(winpath_w "$work/settings.reg")" >/dev/null 2>&1
  fi
  if [[ -n $hold ]]; then
    kill "$hold" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$holder" 2>/dev/null || break; sleep 0.1; done
    kill "$holder" 2>/dev/null
  fi
  wait
  rm -rf "$work"
}
trap cleanup EXIT

# While one program of the prefix runs, Wine keeps its services up: without it, each
# program that needs them (a shortcut is written through COM) may start while they shut
# down from the last one, and wait seconds for them. That program is a command prompt
# reading a pipe that only a sleep of this script's holds open, so it ends with that; and
# the services it starts hold none of this script's output open.
mkfifo "$work/hold"
wine cmd <"$work/hold" >/dev/null 2>&1 &
holder=$!
sleep 600 >"$work/hold" &
hold=$!

appdata=$(winpath "$(winenv APPDATA)")
profile_win=$(winenv APPDATA)\\Pixtrail
instdir_win=([AllUsers]="$(winenv ProgramW6432)\\Pixtrail"
             [CurrentUser]="$(winenv LOCALAPPDATA)\\Programs\\Pixtrail")
startmenu=([AllUsers]="$(winpath "$(winenv ProgramData)")/Microsoft/Windows/Start Menu/Programs"
           [CurrentUser]="$appdata/Microsoft/Windows/Start Menu/Programs")
for scope in AllUsers CurrentUser; do
  instdir[$scope]=$(winpath "${instdir_win[$scope]}")
done

# The prefix is the test's own, but what it had of Pixtrail is put back afterwards:
# the per-user folder and the registry settings.
if run reg export 'HKCU\Software\Pixtrail' "$(winpath_w "$work/settings.reg")" >/dev/null 2>&1; then
  had_settings=1
fi
if [[ -e $appdata/Pixtrail ]]; then
  mv "$appdata/Pixtrail" "$work/profile.saved"
  had_profile=1
fi
profile="$appdata/Pixtrail"
for scope in AllUsers CurrentUser; do
  [[ ! -e ${instdir[$scope]} ]] || fail "${instdir_win[$scope]} is there already; remove it first"
  [[ ! -e ${startmenu[$scope]}/Pixtrail.lnk ]] || fail "a Pixtrail shortcut is in the Start menu already"
  ! run reg query "${hive[$scope]}\\$key" >/dev/null 2>&1 ||
    fail "${hive[$scope]}\\$key is there already; remove it first"
done

# shellcheck source=scripts/demo_site.sh
source "$root/scripts/demo_site.sh"
start_demo_site "$linux" "$work"
site=$demo_site_pid
trap cleanup EXIT # again: the sample site's start set its own

# What the Linux program makes of the sample caches: the installed programs must match it.
mkdir -p "$work/linux/spoilers"
sed "s|^Spoilerfolder=.*|Spoilerfolder=$work/linux/spoilers|" "$work/pixtrail.ini" >"$work/linux/pixtrail.ini"
cp "$linux/src/cli/pixtrail-cli" "$work/linux/"
"$work/linux/pixtrail-cli" -a --delay 0 --spoiler-folder "$work/linux/spoilers" \
  --waypoint-file "$root/demo/sample.gpx" >"$work/linux/first.out" </dev/null
staged=(pixtrail.exe pixtrail-cli.exe README.txt language-de.ini licences/pixtrail.txt)

# value SCOPE NAME: one value of the scope's uninstall entry, as reg.exe prints it.
value() {
  run reg query "${hive[$1]}\\$key" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z]* *//p"
}

# uninstall SCOPE: the scope's registered quiet uninstall command, run from a copy as
# Windows runs it from the temporary folder, with the folder named (_?=) so that this
# waits for the uninstaller to end. _?= must come last and unquoted, spaces and all: the
# command line goes through cmd as it is.
uninstall() {
  local dir_win=${instdir_win[$1]} quiet command
  quiet=$(value "$1" QuietUninstallString)
  [[ $quiet == "\"$dir_win\\uninstall.exe\" "* ]] || fail "QuietUninstallString names no uninstall.exe"
  rm -rf "$work/un"
  mkdir -p "$work/un"
  cp "${instdir[$1]}/uninstall.exe" "$work/un/uninstall.exe"
  command="$(winpath_w "$work/un/uninstall.exe") ${quiet#\""$dir_win"\\uninstall.exe\" } _?=$dir_win"
  echo "== $command"
  run cmd /c "$command"
}

for scope in AllUsers CurrentUser; do
  dir=${instdir[$scope]} dir_win=${instdir_win[$scope]}
  echo "== setup.exe /S /$scope: $dir_win"
  installed=1
  run "$setup" /S "/$scope" || fail "the installation for $scope failed"
  for f in "${staged[@]}" uninstall.exe; do
    [[ -f $dir/$f ]] || fail "$dir_win lacks $f"
  done
  link="${startmenu[$scope]}/Pixtrail.lnk"
  [[ -f $link ]] || fail "no Start-menu shortcut $link"
  strings -a "$link" | grep -qxF "$dir_win\\pixtrail.exe" || fail "the shortcut does not start $dir_win\\pixtrail.exe"
  other=AllUsers
  [[ $scope == AllUsers ]] && other=CurrentUser
  [[ ! -e ${startmenu[$other]}/Pixtrail.lnk ]] || fail "a shortcut in the Start menu of $other too"
  ! run reg query "${hive[$other]}\\$key" >/dev/null 2>&1 || fail "an uninstall entry in ${hive[$other]} too"

  bytes=$(find "$dir" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
  size=$(printf '0x%x' $(((bytes + 1023) / 1024)))
  while IFS='|' read -r name want; do
    got=$(value "$scope" "$name")
    [[ $got == "$want" ]] || fail "$name of ${hive[$scope]}\\$key: '$got', not '$want'"
  done <<EOF
DisplayName|Pixtrail
DisplayVersion|$version
Publisher|The Pixtrail developers
DisplayIcon|$dir_win\\pixtrail.exe,0
EstimatedSize|$size
InstallLocation|$dir_win
UninstallString|"$dir_win\\uninstall.exe" /$scope
QuietUninstallString|"$dir_win\\uninstall.exe" /$scope /S
NoModify|0x1
NoRepair|0x1
URLInfoAbout|http://www.pixtrail.app/pixtrail
EOF
  echo "files, the shortcut and the uninstall entry in ${hive[$scope]} (EstimatedSize $size KB)"

  # The installed program: its settings in %APPDATA%\Pixtrail, the spoiler folder and the
  # waypoint file where the user has them.
  user="$work/$scope"
  mkdir -p "$user/spoilers" "$profile"
  cp "$root/demo/sample.gpx" "$user/pq.gpx"
  sed "s|^Spoilerfolder=.*|Spoilerfolder=$user/spoilers|" "$work/pixtrail.ini" >"$profile/pixtrail.ini"
  run "$dir/pixtrail-cli.exe" -a --delay 0 --spoiler-folder "$user/spoilers" \
    --waypoint-file "$user/pq.gpx" >"$user/first.out" || fail "the installed pixtrail-cli.exe failed"
  diff -r "$work/linux/spoilers" "$user/spoilers" || fail "the installed program stored other files"
  diff <(tr -d '\r' <"$work/linux/first.out") <(tr -d '\r' <"$user/first.out" | sed "s|$user|$work/linux|g") ||
    fail "the installed program reported otherwise"
  [[ -f $profile/log.txt && ! -e $dir/log.txt ]] || fail "the installed program keeps its log elsewhere than $profile_win"
  echo "the installed pixtrail-cli.exe synced $(find "$user/spoilers" -type f | wc -l) files, its log in $profile_win"

  if [[ $scope == AllUsers ]]; then
    # Over a running copy: nothing may be replaced. A file changed since (as an older
    # version would have it) that the installer writes before the programs shows whether
    # it touched anything.
    echo "== setup.exe /S over a running pixtrail-cli.exe"
    printf 'an older version\r\n' >>"$dir/README.txt"
    before=$(sha "$dir/README.txt")
    mkdir -p "$work/busy"
    timeout 60 wine "$dir/pixtrail-cli.exe" -a --delay 30 --spoiler-folder "$work/busy" \
      --waypoint-file "$user/pq.gpx" </dev/null >"$work/busy.out" 2>&1 &
    busy=$!
    # It waits 30 seconds after the first cache's page: running, and its file in use.
    for _ in $(seq 100); do [[ -s $work/busy.out ]] && break; sleep 0.1; done
    [[ -s $work/busy.out ]] || fail "pixtrail-cli.exe did not get going"
    status=0
    run "$setup" /S /AllUsers || status=$?
    ((status != 0)) || fail "the installer reported success over a running pixtrail-cli.exe"
    [[ $(sha "$dir/README.txt") == "$before" ]] || fail "the installer replaced a file beside a running program"
    echo "refused with exit status $status, nothing changed"
    status=0
    uninstall AllUsers || status=$?
    ((status != 0)) || fail "the uninstaller reported success beside a running pixtrail-cli.exe"
    [[ -f $dir/README.txt && -f $dir/uninstall.exe && -n $(value AllUsers InstallLocation) ]] ||
      fail "the uninstaller removed things beside a running program"
    echo "refused with exit status $status, nothing changed"
    kill "$busy"
    wait "$busy" 2>/dev/null || true
    busy=
    run "$setup" /S /AllUsers || fail "the installation after the program ended failed"
    [[ $(sha "$dir/README.txt") != "$before" ]] || fail "the new installation left the old files"
    echo "installed once the program ended"

    if [[ $window == 1 ]]; then
      echo "== the window from its Start-menu shortcut"
      title="Pixtrail v$version"
      run start /unix "$link" || fail "the shortcut would not start"
      id=
      for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "^${title//./\\.}\$" 2>/dev/null | head -1) && [[ -n $id ]] && break
        sleep 0.1
      done
      [[ -n $id ]] || fail "no window titled \"$title\" within 20 seconds"
      # Wine gives each window the Linux process of its program: the test's own to end.
      pid=$(xdotool getwindowpid "$id")
      tr '\0' '\n' <"/proc/$pid/cmdline" | grep -qixF "$dir_win\\pixtrail.exe" ||
        fail "the window is not the installed pixtrail.exe's: $(tr '\0' ' ' <"/proc/$pid/cmdline")"
      kill "$pid"
      for _ in $(seq 100); do [[ -e /proc/$pid ]] || break; sleep 0.1; done
      [[ ! -e /proc/$pid ]] || fail "the window's program did not end"
      echo "a window titled \"$title\""
    fi
  fi

  # The user's own things, to be left alone by the uninstaller.
  echo "my notes" >"$user/spoilers/notes.txt"
  echo "a setting" >"$profile/user.ini"
  run reg add 'HKCU\Software\Pixtrail\Settings' /v Kept /d "$scope" /f >/dev/null
  keep=("$user/spoilers" "$user/pq.gpx" "$profile")
  if [[ $scope == AllUsers ]]; then
    # The settings of a copy once run from this folder: the folder stays for them.
    printf '[Settings]\r\n' >"$dir/pixtrail.ini"
    keep+=("$dir/pixtrail.ini")
  fi
  fingerprint "${keep[@]}" >"$work/kept.before"

  uninstall "$scope" || fail "the uninstaller failed"
  rm -rf "$work/un"
  for f in "${staged[@]}" uninstall.exe; do
    [[ ! -e $dir/$f ]] || fail "$dir_win\\$f is still there"
  done
  [[ ! -e $link ]] || fail "the Start-menu shortcut is still there"
  ! run reg query "${hive[$scope]}\\$key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
  fingerprint "${keep[@]}" >"$work/kept.after"
  diff "$work/kept.before" "$work/kept.after" || fail "the uninstaller changed the user's files"
  run reg query 'HKCU\Software\Pixtrail\Settings' /v Kept >/dev/null 2>&1 ||
    fail "the uninstaller removed the settings in the registry"
  if [[ $scope == AllUsers ]]; then
    [[ $(find "$dir" -mindepth 1 | wc -l) == 1 ]] || fail "$dir_win holds more than the user's pixtrail.ini"
    rm -rf "$dir"
  else
    [[ ! -e $dir ]] || fail "the emptied folder $dir_win is still there"
  fi
  echo "the installer's files, the shortcut and the entry are gone; $(wc -l <"$work/kept.after") files of the user's kept"
  rm -rf "$profile"
done
