#!/usr/bin/env bash
# The test scripts' own faults, in a few seconds: each script runs on a copy of its folder with
# small stand-ins for the programs and tools it calls (Wine, CMake, the package tools, the
# simulator stand-in and the feeder). Checks that
#  - the stand-in's start fails, says so and stops it, when it never joins its block or ends
#    before it does (scripts/stand-in.sh);
#  - test-windows.sh names a failed last check, fails with its live chain, makes its Wine prefix
#    once per build folder, and lets one run at a time use the build folder;
#  - live_chain_check.py passes a sound live chain and names each fault of an unsound one;
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
printf '#!/usr/bin/env bash\nexit "${FAKE_LIVE_STATUS:-0}"\n' >"$windows/scripts/test-live-windows.sh"
chmod +x "$windows/scripts/test-live-windows.sh"
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
output=$(FAKE_LIVE_STATUS=1 run_windows yes 0)
[[ $output != *"status 0" ]] || fail "test-windows.sh passed a run whose live chain failed"
grep -q "^FAILED: the live chain" <<<"$output" || fail "test-windows.sh hid a failed live chain"
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

# --- live_chain_check.py on made-up runs: an entry every 10 s from t0, the file away from t0+15
# to t0+25 (entry 2 came while it was away).
chain=$work/chain
t0=1717228800
mkdir -p "$chain"
# chain_file ENTRY...: a recording of those entries.
chain_file() {
  local entry
  echo "Live recording"
  echo "####_BEGIN_####"
  for entry in "$@"; do
    echo "####_ENTRY_${entry}_####"
    echo "TST101|4CA001|$((t0 + 10 * entry - 1))|50.30|-0.20|3000|3000|45|120|0"
    echo "TST202|4CA002|$((t0 + 10 * entry))|50.60|0.30|3000|3000|200|90|0"
    echo "####_ENTRY_END_####"
  done
}
# check_chain NAME STATUS TEXT ENTRY...: the check of a stand-in's log that saw those entries
# published in turn ("-": an empty publication) ends with STATUS and says TEXT.
check_chain() {
  local name=$1 expected_status=$2 expected_text=$3 status=0 output counter=1 entry
  shift 3
  for entry in "$@"; do
    printf '%7.1f s publication %d: ' "$((counter * 10))" "$counter"
    if [[ $entry == - ]]; then
      echo "0 aircraft, status 0, own 50.4500 0.0100"
    else
      echo "2 aircraft, status 0, own 50.4500 0.0100, recorded" \
        "$(date -u -d "@$((t0 + 10 * entry))" +%Y-%m-%dT%H:%M:%SZ): TST101+01 TST202-01"
    fi
    counter=$((counter + 1))
  done >"$chain/sim.log"
  output=$(python3 "$repo/scripts/live_chain_check.py" "$chain/sim.log" "$chain/live.dat" \
    $((t0 + 15)) $((t0 + 25)) 2>&1) || status=$?
  [[ $status -eq $expected_status ]] || fail "live chain, $name: the check ended with $status"
  [[ $output == *"$expected_text"* ]] || fail "live chain, $name: the check said '$output'"
}
chain_file 0 1 2 3 4 5 6 >"$chain/live.dat"
check_chain "sound" 0 "7 entries recorded, 4 publications" 0 1 3 4
check_chain "an entry twice" 1 "publication 3 repeats an entry" 0 1 1 3 4
check_chain "an entry left out" 1 "publication 4 left out 1 entry while the file was at its" 0 1 3 5
check_chain "traffic withdrawn" 1 "publication 3 withdrew the traffic" 0 1 - 3 4
check_chain "an entry not recorded" 1 "publication 5 is of no entry" 0 1 3 4 9
check_chain "one look after the return" 1 "2 publications before the move and 1 after" 0 1 3
chain_file 0 1 2 4 5 >"$chain/live.dat"
check_chain "a recorder that stalled" 1 "no entry between $((t0 + 20)) and $((t0 + 40))" 0 1 4 5

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
