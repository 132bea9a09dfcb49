#!/usr/bin/env bash
# The one-command demo: installs what is missing, builds, makes the sample recording and runs the
# feeder beside the simulator stand-in. Traffic reaches the stand-in's scope about twenty seconds
# in; the simulation ends by itself after DEMO_SECONDS (default 60), or when you press q.
# Without a terminal both programs print log lines instead. Extra arguments go to corvane-sim
# (for example --fixed 50.8,0.1 or --sounds 25:0,30:10). DEMO_DATA names a data file to feed
# instead of the sample, and DEMO_FEEDER_OPTIONS adds options of the feeder (scripts/live-demo.sh
# feeds a recording still being made, with --live).
set -euo pipefail
cd "$(dirname "$0")/.."

demo_seconds=${DEMO_SECONDS:-60}
sample_dir=$PWD/build/sample
sample=${DEMO_DATA:-$sample_dir/TrafficLog.dat}
read -r -a feeder_options <<<"${DEMO_FEEDER_OPTIONS:-}"
feeder_log=$sample_dir/corvane.log
sim_log=$sample_dir/corvane-sim.log

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target corvane corvane-sim trafficlog -j "$(nproc)"

mkdir -p "$sample_dir"
if [[ -z ${DEMO_DATA:-} ]]; then
  build/bin/trafficlog generate --out "$sample"
  build/bin/trafficlog check "$sample" >/dev/null
fi

feeder_pid=""
sim_pid=""
stop_children() {
  for pid in $sim_pid $feeder_pid; do
    kill "$pid" 2>/dev/null || true
  done
}
trap stop_children EXIT

# Waits up to $2 seconds for process $1 to end.
wait_for() {
  local pid=$1 seconds=$2
  for ((i = 0; i < seconds * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  return 1
}

# The stand-in goes first, so that the block shows a running simulation before the feeder
# looks (a block left over from an earlier run may still hold the ending state).
start_feeder() {
  if [[ -t 1 ]]; then
    (sleep 1 && exec build/bin/corvane "${feeder_options[@]}" --data "$sample") </dev/null >"$feeder_log" 2>&1 &
  else
    (sleep 1 && exec build/bin/corvane "${feeder_options[@]}" --data "$sample") </dev/null \
      > >(sed -u 's/^/[corvane] /') 2>&1 &
  fi
  feeder_pid=$!
}

if [[ -t 1 ]]; then
  start_feeder
  build/bin/corvane-sim --end-after "$demo_seconds" "$@"
  echo "feeder log: $feeder_log"
else
  build/bin/corvane-sim --log --end-after "$demo_seconds" "$@" \
    > >(tee "$sim_log" | sed -u 's/^/[sim]     /') 2>&1 &
  sim_pid=$!
  start_feeder
  wait "$sim_pid" || true
  sim_pid=""
fi

# The feeder ends itself about five seconds after it sees the ending state.
if wait_for "$feeder_pid" 15; then
  feeder_pid=""
else
  echo "the feeder did not end by itself; stopping it"
fi
echo "demo finished"
# The feeder's closing countdown fills the last screen of a log; say what reached the stand-in.
if [[ ! -t 1 ]]; then
  echo "publications seen by the stand-in: $(grep -c ' publication ' "$sim_log" || true)" \
    "(all lines: $sim_log)"
  grep ' publication ' "$sim_log" | tail -n 1 || true
fi
