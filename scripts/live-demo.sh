#!/usr/bin/env bash
# Live traffic without a receiver, in one command: writes a BaseStation log of aircraft on
# straight tracks around the stand-in's own-ship and serves it as a receiver serves its port 30003
# (trafficlog serve, its times moved to now, played again at its end), records the feed into a
# data file (trafficlog record), and runs the demo (scripts/demo.sh) on that file with the feeder
# reading it live (corvane --live). Traffic reaches the stand-in's scope 10 to 20 s in and moves on
# every 10 s; the simulation ends by itself after DEMO_SECONDS (default 90), or when you press q.
# LIVE_DEMO_PORT (default 33003) is the port served; extra arguments go to corvane-sim.
set -euo pipefail
cd "$(dirname "$0")/.."

port=${LIVE_DEMO_PORT:-33003}
dir=$PWD/build/live-demo
data=$dir/live.dat

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target corvane corvane-sim trafficlog -j "$(nproc)"

mkdir -p "$dir"
# record never writes over a recording: each demo records afresh.
rm -f "$data"
python3 scripts/sbs_tracks.py "$dir/receiver.sbs" 1800

pids=()
stop_feed() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
}
trap stop_feed EXIT

build/bin/trafficlog serve --sbs "$port" --loop "$dir/receiver.sbs" >"$dir/serve.log" 2>&1 &
pids+=($!)
sleep 0.5
if ! kill -0 "${pids[0]}" 2>/dev/null; then
  cat "$dir/serve.log"
  exit 1
fi
build/bin/trafficlog record --sbs "localhost:$port" --out "$data" >"$dir/record.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [[ -e $data ]] && break
  sleep 0.1
done

DEMO_DATA=$data DEMO_FEEDER_OPTIONS=--live DEMO_SECONDS=${DEMO_SECONDS:-90} scripts/demo.sh "$@"
echo "the feed's logs: $dir/serve.log, $dir/record.log"
