#!/usr/bin/env bash
# The Windows installer under Wine, in the prefix of the Windows tests ($WINEPREFIX):
#  - a silent install writes the programs, the README, the licence, the sample as
#    TrafficLog.dat, the uninstaller, the Start-menu shortcuts and the Add/Remove Programs entry;
#  - Corvane.exe, started from the installed folder without --data, feeds corvane-sim.exe from
#    the installed sample;
#  - the silent uninstall leaves nothing of ours behind: no file, folder, shortcut or registry key;
#  - a data file of the user's survives an install, a reinstall and the uninstall, and so does
#    the sample once the user has written over it.
#
#   test-installer.sh INSTALLER SAMPLE PROGRAM_FILE_NAME...
set -euo pipefail
# shellcheck source=scripts/stand-in.sh
source "$(dirname "$0")/../../scripts/stand-in.sh"
installer=$1 sample=$2
shift 2
programs=("$@")

[[ -f $installer ]] || { echo "FAILED: no $installer: build the installer target first"; exit 1; }
: "${WINEPREFIX:?the Windows tests name their Wine prefix in WINEPREFIX}"
# Wine would copy the Start-menu shortcuts into this machine's desktop menus as well.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

drive_c=$WINEPREFIX/drive_c
brenwick="$drive_c/Program Files/Brenwick"
addons=$brenwick/AddOns
menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Corvane"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane'
uninstaller="Uninstall Corvane.exe"
shortcuts=("Corvane.lnk" "Corvane simulator stand-in.lnk" "Corvane README.lnk")

work=$(mktemp -d)
trap 'stop_stand_in; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Whatever an earlier, failed run of this test left in the prefix.
remove_leftovers() {
  rm -rf "$brenwick" "$menu"
  wine reg delete "$key" /f >/dev/null 2>&1 || true
}

install_silently() {
  local status=0
  wine "$installer" /S || status=$?
  if [[ $status -ne 0 ]]; then
    echo "FAILED: the installer ended with status $status"
    exit 1
  fi
}

# The uninstaller copies itself away and returns at once; a copy started with the folder named
# (_?=) works in place, so the test can wait for it. cmd passes the folder unquoted, as the
# uninstaller needs it.
uninstall_silently() {
  cp "$addons/$uninstaller" "$work/uninstall.exe"
  local status=0
  wine cmd /c "$(winepath -w "$work/uninstall.exe") /S _?=C:\\Program Files\\Brenwick\\AddOns" ||
    status=$?
  [[ $status -eq 0 ]] || fail "the uninstaller ended with status $status"
}

# What is left of ours: the Brenwick folder and the Start-menu folder with all they hold, files
# and folders named after us anywhere else in the prefix but the temporary folders (other tests
# leave their own files there), and registry entries that name us.
leftovers() {
  local hive
  find "$brenwick" "$menu" 2>/dev/null | sort || true
  find "$drive_c" \( -path "$brenwick" -o -path "$menu" -o -path '*/Temp' \) -prune -o \
    \( -iname '*corvane*' -o -iname '*brenwick*' \) -print
  for hive in 'HKLM\Software' 'HKCU\Software'; do
    wine reg export "$hive" "$work/hive.reg" /y >/dev/null 2>&1
    iconv -f UTF-16LE -t UTF-8 "$work/hive.reg" | tr -d '\r' | grep -i -E 'corvane|brenwick' || true
  done
}

expect_nothing_left_but() {
  local expected=$1 found
  found=$(leftovers)
  [[ $found == "$expected" ]] ||
    fail "after the uninstall, expected only [${expected}], found:"$'\n'"$found"
}

check_installed() {
  local file
  for file in "${programs[@]}" README.txt LICENSE.txt egm96_15.gtx "$uninstaller" TrafficLog.dat; do
    [[ -f $addons/$file ]] || fail "not installed: $file"
  done
  for file in "${shortcuts[@]}"; do
    [[ -f $menu/$file ]] || fail "no Start-menu shortcut $file"
  done
  local entry
  entry=$(wine reg query "$key" 2>/dev/null | tr -d '\r' || true)
  grep -q 'DisplayName.*Corvane' <<<"$entry" || fail "no Add/Remove Programs entry"
  grep -q 'UninstallString.*Uninstall Corvane.exe' <<<"$entry" || fail "no uninstall command"
}

# The installed Corvane.exe, without --data, beside the installed stand-in: the first publication
# comes about twenty seconds in; the stand-in reports the end of the simulation at 28 s and the
# program ends itself about five seconds later.
check_installed_run() {
  local log=$work/sim.log status=0
  if ! start_stand_in "$log" wine "$addons/corvane-sim.exe" --fixed 50.45,0.01 --end-after 28 --log
  then
    failures=$((failures + 1))
    return
  fi
  (cd "$addons" && timeout 90 wine Corvane.exe) || status=$?
  wait_for_stand_in
  [[ $status -eq 0 ]] || fail "the installed Corvane.exe did not end by itself (status $status)"
  if ! stand_in_saw_traffic "$log"; then
    cat "$log"
    fail "no traffic from the installed sample reached corvane-sim.exe"
  fi
}

user_file=$work/user.dat
printf 'A recording of the user\n####_BEGIN_####\n####_END_####\n' >"$user_file"

expect_user_file() {
  cmp -s "$user_file" "$addons/TrafficLog.dat" || fail "$1: the user's data file was changed or removed"
}

remove_leftovers

echo "--- fresh install"
install_silently
check_installed
cmp -s "$sample" "$addons/TrafficLog.dat" || fail "TrafficLog.dat is not the sample recording"

echo "--- the installed programs"
check_installed_run

echo "--- uninstall"
uninstall_silently
expect_nothing_left_but ""

echo "--- install and reinstall over the user's data file, then uninstall"
mkdir -p "$addons"
cp "$user_file" "$addons/TrafficLog.dat"
install_silently
expect_user_file "install"
install_silently
expect_user_file "reinstall"
uninstall_silently
expect_user_file "uninstall"
expect_nothing_left_but "$brenwick"$'\n'"$addons"$'\n'"$addons/TrafficLog.dat"

echo "--- the sample, written over by the user, survives the uninstall"
rm -rf "$brenwick"
install_silently
cp "$user_file" "$addons/TrafficLog.dat"
uninstall_silently
expect_user_file "uninstall after the user wrote over the sample"

remove_leftovers
if [[ $failures -ne 0 ]]; then
  echo "$failures check(s) of the installer failed"
  exit 1
fi
echo "The installer passed: install, run, reinstall and uninstall."
