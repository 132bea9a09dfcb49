# shellcheck shell=bash
# Sourced by the test scripts that run a feeder beside the simulator stand-in (Linux or Wine).

# start_stand_in LOG COMMAND...: starts the stand-in in the background with its output in LOG and
# waits, CORVANE_STAND_IN_WAIT seconds at most (default 20), until it has joined its block, so
# that the feeder finds a running simulation there. Leaves the stand-in's process id in
# stand_in_pid. A stand-in that ends or does not join in time fails the start: the feeder would
# then wait for a simulation that never comes, and the test would blame the feeder.
start_stand_in() {
  local log=$1 tries
  shift
  "$@" >"$log" 2>&1 &
  stand_in_pid=$!
  for ((tries = ${CORVANE_STAND_IN_WAIT:-20} * 5; tries > 0; tries--)); do
    grep -q "attached to block" "$log" && return 0
    kill -0 "$stand_in_pid" 2>/dev/null || break
    sleep 0.2
  done
  # It may have joined and ended between the last look and the check that it runs.
  grep -q "attached to block" "$log" && return 0
  if kill -0 "$stand_in_pid" 2>/dev/null; then
    echo "FAILED: the stand-in did not join its block within ${CORVANE_STAND_IN_WAIT:-20} s: $*"
  else
    echo "FAILED: the stand-in ended before it joined its block: $*"
  fi
  stop_stand_in
  echo "--- the stand-in's output (last 20 lines)"
  tail -n 20 "$log"
  return 1
}

# wait_for_stand_in: waits until the stand-in ends by itself.
wait_for_stand_in() {
  [[ -n ${stand_in_pid:-} ]] || return 0
  wait "$stand_in_pid" || true
  stand_in_pid=""
}

# stop_stand_in: stops the stand-in if it still runs (for the exit traps of the test scripts).
stop_stand_in() {
  [[ -n ${stand_in_pid:-} ]] || return 0
  kill "$stand_in_pid" 2>/dev/null || true
  wait "$stand_in_pid" 2>/dev/null || true
  stand_in_pid=""
}

# stand_in_saw_traffic LOG: whether the stand-in logged a publication with aircraft in it.
stand_in_saw_traffic() {
  grep -Eq "publication [0-9]+: [1-9][0-9]* aircraft, status 0" "$1"
}
