#!/usr/bin/env bash
# End-to-end test of live traffic, about a minute: a generated BaseStation log of aircraft on known
# straight tracks is served (trafficlog serve), recorded (trafficlog record), fed live
# (corvane --live) and sent on by the bridge (corvane-fg --live) to a FlightGear stand-in of the
# test's own (scripts/live_flightgear_side.py), which checks that every aircraft is shown within
# 300 m of where its track puts it at the moment each message comes, and that the first comes
# within 25 s of the first message served. Prints how old each publication was when the bridge
# took it (the figures of docs/performance.md, "Live traffic").
set -euo pipefail
cd "$(dirname "$0")/.."

bin=${CORVANE_BIN:-build/bin}
seconds=${LIVE_TEST_SECONDS:-50}
if [[ ! -x $bin/corvane || ! -x $bin/corvane-fg || ! -x $bin/trafficlog ]]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target corvane corvane-fg trafficlog -j "$(nproc)"
fi

work=$(mktemp -d)
# Ports and a block of this run alone: other runs may be going on beside it.
base=$((20000 + RANDOM % 12000))
sbs_port=$base bridge_port=$((base + 1)) traffic_port=$((base + 2))
name="CorvaneLiveE2E_$$_$RANDOM"

pids=()
checker=""
passed=false
cleanup() {
  local status=$?
  for pid in "${pids[@]}" $checker; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  # A block whose users were killed is left behind.
  rm -f "/dev/shm/$name"
  if [[ $passed != true ]]; then
    for log in serve record corvane bridge; do
      echo "--- $log (last 15 lines)"
      tail -n 15 "$work/$log.log" 2>/dev/null || true
    done
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

python3 scripts/sbs_tracks.py "$work/tracks.sbs" 600
"$bin/trafficlog" serve --sbs "$sbs_port" "$work/tracks.sbs" >"$work/serve.log" 2>&1 &
pids+=($!)
"$bin/corvane-fg" --live --name "$name" --listen "$bridge_port" --send "$traffic_port" --log \
  --no-tcas --keep-running >"$work/bridge.log" 2>&1 &
pids+=($!)
# The stand-in learns the served log's clock from the feed, so the server must be up first.
for _ in $(seq 50); do
  grep -q "serving" "$work/serve.log" && break
  sleep 0.1
done
python3 scripts/live_flightgear_side.py "$sbs_port" "$bridge_port" "$traffic_port" "$seconds" \
  >"$work/check.log" 2>&1 &
checker=$!
"$bin/trafficlog" record --sbs "localhost:$sbs_port" --out "$work/live.dat" >"$work/record.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [[ -e $work/live.dat ]] && break
  sleep 0.1
done
"$bin/corvane" --live --data "$work/live.dat" --name "$name" </dev/null >"$work/corvane.log" 2>&1 &
pids+=($!)

status=0
wait "$checker" || status=$?
checker=""
cat "$work/check.log"
echo "publications as the bridge took them:"
grep -o 'publication [0-9]* (recorded [^)]*)' "$work/bridge.log" || true
if [[ $status -ne 0 ]]; then
  echo "FAILED: live traffic is not where its tracks put it"
  exit 1
fi
passed=true
echo "live traffic end-to-end: passed"
