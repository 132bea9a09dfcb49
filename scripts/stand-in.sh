# shellcheck shell=bash
# Sourced by the test scripts that run a feeder beside the simulator stand-in (Linux or Wine).

# start_stand_in LOG COMMAND...: starts the stand-in in the background with its output in LOG and
# waits, ten seconds at most, until it has joined its block, so that the feeder finds a running
# simulation there. Leaves the stand-in's process id in stand_in_pid.
start_stand_in() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 &
  # shellcheck disable=SC2034 # for the caller
  stand_in_pid=$!
  for _ in $(seq 50); do
    grep -q "attached to block" "$log" && return 0
    sleep 0.2
  done
}

# stand_in_saw_traffic LOG: whether the stand-in logged a publication with aircraft in it.
stand_in_saw_traffic() {
  grep -Eq "publication [0-9]+: [1-9][0-9]* aircraft, status 0" "$1"
}
