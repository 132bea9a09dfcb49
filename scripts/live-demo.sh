#!/usr/bin/env bash
# Live traffic without a receiver, in one command: installs what is missing, builds, writes a
# BaseStation log of aircraft on straight tracks around the stand-in's own-ship and serves it as
# a receiver serves its port 30003 (trafficlog serve, times moved to now, played again at its
# end), records the feed into a data file (trafficlog record), feeds the newest entry of that
# file live (corvane --live) and shows it on the simulator stand-in's scope (corvane-sim).
# Traffic reaches the scope 10 to 20 s in and moves on every 10 s; the simulation ends by itself
# after DEMO_SECONDS (default 90), or when you press q. Without a terminal the programs print log
# lines instead. LIVE_DEMO_PORT (default 33003) is the port served; extra arguments go to
# corvane-sim.
set -euo pipefail
cd "$(dirname "$0")/.."

demo_seconds=${DEMO_SECONDS:-90}
port=${LIVE_DEMO_PORT:-33003}
dir=$PWD/build/live-demo
data=$dir/live.dat
feeder_log=$dir/corvane.log
sim_log=$dir/corvane-sim.log

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target corvane corvane-sim trafficlog -j "$(nproc)"

mkdir -p "$dir"
# record never writes over a recording: each demo records afresh.
rm -f "$data"
python3 scripts/sbs_tracks.py "$dir/receiver.sbs" 1800

pids=()
stop_children() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
}
trap stop_children EXIT

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

# Waits up to $2 seconds for process $1 to end.
wait_for() {
  local pid=$1 seconds=$2
  for ((i = 0; i < seconds * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  return 1
}

# The stand-in goes first, so that the block shows a running simulation before the feeder looks.
feeder_pid=""
start_feeder() {
  if [[ -t 1 ]]; then
    (sleep 1 && exec build/bin/corvane --live --data "$data") </dev/null >"$feeder_log" 2>&1 &
  else
    (sleep 1 && exec build/bin/corvane --live --data "$data") </dev/null \
      > >(sed -u 's/^/[corvane] /') 2>&1 &
  fi
  feeder_pid=$!
  pids+=("$feeder_pid")
}

if [[ -t 1 ]]; then
  start_feeder
  build/bin/corvane-sim --end-after "$demo_seconds" "$@"
  echo "logs: $dir"
else
  build/bin/corvane-sim --log --end-after "$demo_seconds" "$@" \
    > >(tee "$sim_log" | sed -u 's/^/[sim]     /') 2>&1 &
  sim_pid=$!
  pids+=("$sim_pid")
  start_feeder
  wait "$sim_pid" || true
fi

# The feeder ends itself about five seconds after it sees the ending state.
wait_for "$feeder_pid" 15 || echo "the feeder did not end by itself; stopping it"
echo "live demo finished"
if [[ ! -t 1 ]]; then
  echo "publications seen by the stand-in: $(grep -c ' publication ' "$sim_log" || true)" \
    "(all lines: $sim_log)"
  grep ' publication ' "$sim_log" | tail -n 1 || true
fi
