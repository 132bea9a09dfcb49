#!/usr/bin/env bash
# The Windows test command: installs what is missing, cross-compiles the Windows build into
# build-win/ (preset "windows"), runs its tests under Wine (prefix build-win/wine, kept between
# runs) in a display of its own (Xvfb), then plays one end-to-end run: Corvane.exe beside the
# simulator stand-in corvane-sim.exe in one Wine session, reading its traffic file from the fixed
# path inside the Wine prefix; and the live chain, served, recorded and fed live
# (scripts/test-live-windows.sh). The installer is built too; its test
# (packaging/windows/test-installer.sh) is one of the tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stand-in.sh

build="build-win"
self=$PWD/scripts/test-windows.sh
# One run at a time in a build folder: a second would rebuild the programs and remake the Wine
# prefix under the first. It waits for the first to end. The lock is held by flock alone (-o),
# so that a Wine server or test left running does not keep it.
if [[ ${CORVANE_TEST_WINDOWS_LOCKED:-} != "$PWD/$build" ]]; then
  mkdir -p "$build"
  lock=$build/test-windows.lock
  flock -n "$lock" true || echo "Another run of test-windows.sh uses $build/: waiting until it ends"
  CORVANE_TEST_WINDOWS_LOCKED="$PWD/$build" exec flock -o "$lock" "$self" "$@"
fi

if [[ "${1:-}" != --in-display ]]; then
  scripts/install-deps.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$(nproc)" --target all installer
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$self" --in-display
fi

# The prefix of this build folder (the one the test preset names), made once and kept for the
# later runs: making it takes about half a minute. Without Mono and Gecko, which nothing here
# needs. A prefix whose making was cut short is made again.
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
prefix_made=$WINEPREFIX/.corvane-prefix-made
# A server that an interrupted run left behind.
wineserver -k 2>/dev/null || true
echo "=== Wine prefix ==="
if [[ ! -f $prefix_made ]]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
fi
# One server for every process of this run, started before the prefix is made.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
if [[ ! -f $prefix_made ]]; then
  if ! wineboot -i 2>"$build/wineboot.log"; then
    echo "FAILED: wineboot could not make the Wine prefix $WINEPREFIX (see $build/wineboot.log)"
    exit 1
  fi
  # Every window in one Wine desktop that Wine manages itself: Xvfb has no window manager, and
  # nothing then waits for one when a window is shown or minimised.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
  touch "$prefix_made"
fi

echo "=== Windows tests under Wine ==="
# The end-to-end run below goes ahead after failed tests too; the script fails at the end.
# Now and then Wine fails to start one of the many short test processes that run side by side
# (the process ends at once, before the test program prints anything); such a test is run again,
# up to three times in all. A real failure fails every time.
tests_status=0
# The first Wine program of a session starts Wine's own services beside it, and twice in many
# runs it went on for over a minute after its work was done: as the first program that test
# discovery lists, it then failed the whole run. A program started here takes that first start.
timeout 180 wine cmd /c exit >/dev/null 2>&1 || true
ctest --preset windows -j "$(nproc)" --repeat until-pass:3 || tests_status=$?

echo "=== End-to-end: Corvane.exe with corvane-sim.exe ==="
addons="$WINEPREFIX/drive_c/Program Files/Brenwick/AddOns"
mkdir -p "$addons"
cat > "$addons/TrafficLog.dat" <<'DATA'
End-to-end recording for the Windows build
####_BEGIN_####
####_ENTRY_0_####
WINE01|4CA2B5|1700000000|50.50|0.05|3000|3100|90|250|0
WINE02|0x4CA2B6|1700000000|50.40|-0.10|5000|5100|180|300|-500
FARAWAY|4CA2B7|1700000000|10.00|10.00|5000|5100|180|300|0
####_ENTRY_END_####
####_ENTRY_1_####
WINE01|4CA2B5|1700000010|50.51|0.06|3000|3100|90|250|0
####_ENTRY_END_####
####_END_####
DATA
log="$build/e2e-sim.log"
# The first publication comes about twenty seconds after the program starts; the stand-in
# reports the end of the simulation at 28 s and the program ends itself about five seconds on;
# before that it asks for two alerts and a silence, which the program plays through PlaySound.
start_stand_in "$log" wine "$build/bin/corvane-sim.exe" --fixed 50.45,0.01 --sounds 22:0,24:3,26:10 --end-after 28 --log
status=0
timeout 90 wine "$build/bin/Corvane.exe" || status=$?
wait_for_stand_in
cat "$log"
if [[ $status -ne 0 ]]; then
  echo "FAILED: Corvane.exe did not end by itself (status $status)"
  exit 1
fi
if ! grep -Eq "publication [0-9]+: [1-9][0-9]* aircraft, status 0.*WINE01" "$log"; then
  echo "FAILED: no traffic from Corvane.exe reached corvane-sim.exe"
  exit 1
fi
if ! grep -q "simulation ending" "$log"; then
  echo "FAILED: corvane-sim.exe did not report the end of the simulation"
  exit 1
fi
echo "End-to-end run passed: traffic published, program ended with the simulation."

echo "=== Live chain: trafficlog.exe serve and record, Corvane.exe --live ==="
live_status=0
scripts/test-live-windows.sh "$build" || live_status=$?
if [[ $live_status -ne 0 ]]; then
  echo "FAILED: the live chain under Wine (see above)"
fi
if [[ $tests_status -ne 0 ]]; then
  echo "FAILED: some Windows tests failed (see above)"
  exit "$tests_status"
fi
exit "$live_status"
