#!/usr/bin/env bash
# The test scripts' own faults, in a few seconds: each script runs on a copy of its folder with
# small stand-ins for the programs and tools it calls (Wine, CMake, the package tools, the
# simulator stand-in and the feeder). Checks that
#  - the stand-in's start fails, says so and stops it, when it never joins its block or ends
#    before it does (scripts/stand-in.sh);
#  - test-windows.sh names a failed last check, makes its Wine prefix once per build folder, and
#    lets one run at a time use the build folder;
#  - test-package.sh, stopped from outside, leaves neither the stand-in nor the feeder running.
# shellcheck disable=SC2016 # the stand-in programs are written out, their variables unexpanded
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
work=$(mktemp -d)
cleanup() {
  local pid_file
  # What a faulty script leaves running must not outlive the test.
  for pid_file in "$work"/*.pid; do
    if [[ -f $pid_file ]]; then
      kill "$(cat "$pid_file")" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# running PID_FILE: whether the process whose id is in the file still runs.
running() {
  [[ -f $1 ]] && kill -0 "$(cat "$1")" 2>/dev/null
}

# fake NAME BODY: an executable script in $work/bin.
mkdir -p "$work/bin"
fake() {
  printf '#!/usr/bin/env bash\n%s\n' "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}

# --- start_stand_in: name | what the stand-in does | the start's status | what it says
check_stand_in_start() {
  local name=$1 body=$2 expected_status=$3 expected_text=$4 status=0 output
  fake stand-in "echo \$\$ >'$work/stand-in.pid'; $body"
  output=$(
    # shellcheck source=scripts/stand-in.sh
    source "$repo/scripts/stand-in.sh"
    CORVANE_STAND_IN_WAIT=1 start_stand_in "$work/stand-in.log" "$work/bin/stand-in" || exit
    stop_stand_in
  ) || status=$?
  [[ $status -eq $expected_status ]] || fail "$name: start_stand_in ended with $status"
  [[ $output == *"$expected_text"* ]] || fail "$name: said '$output'"
  ! running "$work/stand-in.pid" || fail "$name: the stand-in still runs"
  rm -f "$work/stand-in.pid"
}
check_stand_in_start "never joins" "exec sleep 30" 1 "FAILED: the stand-in did not join its block"
check_stand_in_start "ends at once" "echo 'no block'; exit 2" 1 "FAILED: the stand-in ended before"
check_stand_in_start "joins" "echo 'attached to block'; exec sleep 30" 0 ""
check_stand_in_start "joins and ends" "echo 'attached to block'" 0 ""

# --- test-windows.sh after its build (--in-display), with Wine's commands faked.
windows=$work/windows
mkdir -p "$windows/scripts" "$windows/build-win/bin"
cp "$repo/scripts/test-windows.sh" "$repo/scripts/stand-in.sh" "$windows/scripts/"
fake wineserver "exit 0"
fake wineboot "echo made >>'$work/wineboot.log'; mkdir -p \"\$WINEPREFIX/drive_c\""
fake ctest "exit 0"
fake wine 'case $1 in
  *corvane-sim.exe)
    echo "attached to block"
    echo "publication 3: 2 aircraft, status 0 [WINE01 WINE02]"
    [[ $FAKE_SIM_ENDS == yes ]] && echo "simulation ending"
    exit 0 ;;
  *Corvane.exe)
    echo "start" >>"'"$work"'/feeder-runs.log"
    sleep "$FAKE_FEEDER_SECONDS"
    echo "end" >>"'"$work"'/feeder-runs.log" ;;
esac'

# run_windows SIM_ENDS FEEDER_SECONDS: prints the run's output, then its status.
run_windows() {
  local status=0
  PATH=$work/bin:$PATH FAKE_SIM_ENDS=$1 FAKE_FEEDER_SECONDS=$2 \
    "$windows/scripts/test-windows.sh" --in-display 2>&1 || status=$?
  echo "status $status"
}

output=$(run_windows no 0)
[[ $output != *"status 0" ]] || fail "test-windows.sh passed a run whose simulation never ended"
grep -q "^FAILED: .*end of the simulation" <<<"$output" ||
  fail "test-windows.sh failed its last check without saying so: $output"
output=$(run_windows yes 0)
[[ $output == *"End-to-end run passed"*"status 0" ]] || fail "test-windows.sh failed a good run: $output"
[[ $(wc -l <"$work/wineboot.log") -eq 1 ]] ||
  fail "two runs in one build folder made its Wine prefix $(wc -l <"$work/wineboot.log") times"

rm -f "$work/feeder-runs.log"
run_windows yes 1 >"$work/first.log" &
first=$!
run_windows yes 1 >"$work/second.log"
wait "$first"
[[ $(tr '\n' ' ' <"$work/feeder-runs.log") == "start end start end " ]] ||
  fail "two runs at once used one build folder together: $(tr '\n' ' ' <"$work/feeder-runs.log")"
for log in "$work/first.log" "$work/second.log"; do
  [[ $(tail -n 1 "$log") == "status 0" ]] || fail "a run beside another failed: $(cat "$log")"
done

# --- test-package.sh, stopped while the packaged programs play the sample.
package=$work/package
mkdir -p "$package/scripts"
cp "$repo/scripts/test-package.sh" "$repo/scripts/stand-in.sh" "$package/scripts/"
printf '#!/bin/sh\n' >"$package/scripts/install-deps.sh"
chmod +x "$package/scripts/install-deps.sh"
fake cmake 'mkdir -p build && echo "CMAKE_PROJECT_VERSION:STATIC=1.0.0" >build/CMakeCache.txt'
fake cpack 'touch "corvane_1.0.0_$(dpkg --print-architecture).deb"'
fake lintian "exit 0"
# The package's programs: each answers --version and --help; corvane-sim and corvane then run
# until they are stopped.
mkdir -p "$work/programs"
package_program() {
  printf '#!/usr/bin/env bash\n%s\n%s\n' \
    '[[ ${1:-} == --version || ${1:-} == --help ]] && { echo "Version 1.0"; exit 0; }' "$2" \
    >"$work/programs/$1"
  chmod +x "$work/programs/$1"
}
package_program trafficlog "exit 0"
package_program corvane-sim "echo \$\$ >'$work/stand-in.pid'; echo 'attached to block'; exec sleep 30"
package_program corvane "echo \$\$ >'$work/feeder.pid'; exec sleep 30"
fake dpkg-deb "if [[ \$1 == -f ]]; then echo 'libc6, libsdl2'; exit 0; fi
mkdir -p \"\$3/usr/bin\" && cp '$work'/programs/* \"\$3/usr/bin/\""

PATH=$work/bin:$PATH "$package/scripts/test-package.sh" >"$work/package.log" 2>&1 &
script=$!
for _ in $(seq 100); do
  running "$work/feeder.pid" && break
  sleep 0.1
done
running "$work/feeder.pid" || fail "test-package.sh did not start the feeder: $(cat "$work/package.log")"
kill "$script"
wait "$script" || true
! running "$work/stand-in.pid" || fail "test-package.sh, stopped, left the stand-in running"
! running "$work/feeder.pid" || fail "test-package.sh, stopped, left the feeder running"

if [[ $failures -ne 0 ]]; then
  echo "$failures check(s) of the test scripts failed"
  exit 1
fi
echo "The test scripts passed their own checks."
