#!/usr/bin/env bash
# The live chain under Wine, a little over a minute: a BaseStation log of aircraft on known tracks
# (scripts/sbs_tracks.py) served by trafficlog.exe serve, recorded by trafficlog.exe record and
# fed by Corvane.exe --live to the simulator stand-in corvane-sim.exe, which logs every
# publication it reads from the block. While the recorder writes and the feeder reads, the
# recording is moved away from its name with Windows' own move, and back ten seconds later.
# scripts/live_chain_check.py then checks the block's story against the recording.
#
# Usage: scripts/test-live-windows.sh BUILD_FOLDER
# Run by test-windows.sh in its Wine session (WINEPREFIX set, its server and display up). The
# logs and the recording stay in BUILD_FOLDER/live-chain.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stand-in.sh

build=$1
bin=$build/bin
logs=$build/live-chain
# The recording's folder as Windows and as Linux name it; gone at the end (the recording is kept
# with the logs), and not named after the program, whose installer test runs in the same prefix
# and counts every file named so as left behind.
folder='C:\LiveChain'
live=$WINEPREFIX/drive_c/LiveChain
name="CorvaneLiveChain$$"
port=$((20000 + RANDOM % 12000))
rm -rf "$logs" "$live"
mkdir -p "$logs" "$live"

pids=()
passed=false
cleanup() {
  local status=$?
  stop_stand_in
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  mv "$live/live.dat" "$logs/" 2>/dev/null || true
  rm -rf "$live"
  if [[ $passed != true ]]; then
    for log in serve record sim corvane; do
      echo "--- $log (last 15 lines)"
      tail -n 15 "$logs/$log.log" 2>/dev/null || true
    done
  fi
  exit "$status"
}
trap cleanup EXIT

fail() {
  echo "FAILED: live chain: $*"
  exit 1
}

# wait_for SECONDS COMMAND...: true once COMMAND succeeds, polled five times a second.
wait_for() {
  local tries=$(($1 * 5))
  shift
  for ((; tries > 0; tries--)); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

publications() { grep -c " publication [0-9]*: [1-9][0-9]* aircraft" "$logs/sim.log" || true; }
at_least() { (($(publications) >= $1)); }
whole_entry() { grep -q '####_ENTRY_END_####' "$live/live.dat" 2>/dev/null; }
# The Windows move, as the user makes it: refused while a holder shares the file without leave.
move() {
  if ! wine cmd /c move "$folder\\$1" "$folder\\$2" >>"$logs/move.log" 2>&1 ||
    [[ ! -f $live/$2 ]]; then
    fail "Windows could not move $1 to $2 under the recorder and the feeder (see $logs/move.log)"
  fi
}

python3 scripts/sbs_tracks.py "$live/tracks.sbs" 600
wine "$bin/trafficlog.exe" serve --sbs "$port" --loop "$folder\\tracks.sbs" >"$logs/serve.log" 2>&1 &
pids+=($!)
wait_for 30 grep -q "serving" "$logs/serve.log" || fail "trafficlog.exe serve did not start"
wine "$bin/trafficlog.exe" record --sbs "localhost:$port" --out "$folder\\live.dat" \
  >"$logs/record.log" 2>&1 &
pids+=($!)
# The simulation ends at 62 s: late enough for two publications after the file's return
# whatever the wait below for the feeder's start.
start_stand_in "$logs/sim.log" wine "$bin/corvane-sim.exe" --name "$name" --fixed 50.45,0.01 \
  --end-after 62 --log || exit 1
wait_for 30 whole_entry || fail "trafficlog.exe record wrote no whole entry within 30 s"
# The recorder closes an entry at every ten seconds of the clock, the feeder looks every 10 s from
# its start: started 2 s past the ten, it looks midway between two entries, whatever Wine's start
# costs up to about 6 s, so that each look finds exactly one new entry.
while (($(date +%s) % 10 != 2)); do
  sleep 0.2
done
timeout 120 wine "$bin/Corvane.exe" --live --data "$folder\\live.dat" --name "$name" \
  >"$logs/corvane.log" 2>&1 &
corvane=$!
pids+=("$corvane")

# Four seconds after a look, the file goes; ten seconds on it comes back, with one look between.
wait_for 30 at_least 2 || fail "the feeder published fewer than 2 entries within 30 s"
sleep 4
away=$(date +%s)
move live.dat moved.dat
sleep 10
move moved.dat live.dat
back=$(date +%s)
published=$(publications)
wait_for 40 at_least $((published + 2)) ||
  fail "the feeder published fewer than 2 entries in the 40 s after the file came back"

status=0
wait "$corvane" || status=$?
wait_for_stand_in
[[ $status -eq 0 ]] || fail "Corvane.exe did not end by itself with the simulation (status $status)"
python3 scripts/live_chain_check.py "$logs/sim.log" "$live/live.dat" "$away" "$back" ||
  fail "the block did not follow the recording (see $logs/sim.log)"
grep -i "fail\|error" "$logs/record.log" && fail "trafficlog.exe record reported a failure"
passed=true
echo "Live chain passed: one publication per new entry, the file moved away under both and back."
