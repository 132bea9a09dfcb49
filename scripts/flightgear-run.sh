# Sourced by the end-to-end runs beside the real FlightGear (test-flightgear.sh,
# test-flightgear-ground.sh): the programs built, FlightGear found, a work folder and ports of the
# run's own, FlightGear started under Xvfb, and everything the run started ended and removed
# whatever happens. The caller sets `name` (the block) before it starts anything.

bin=${CORVANE_BIN:-build/bin}
fgfs=${FGFS:-/usr/games/fgfs}
if [[ ! -x $bin/corvane-fg || ! -x $bin/corvane || ! -x $bin/corvane-sim ]]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target corvane corvane-fg corvane-sim -j "$(nproc)"
fi
if [[ ! -x $fgfs ]]; then
  echo "FAILED: FlightGear is not installed ($fgfs); scripts/install-deps.sh installs it"
  exit 1
fi

work=$(mktemp -d)
# Ports of this run alone: other runs (and FlightGear's usual ports) may be in use. FlightGear
# takes no multiplayer port above 32767 ("No receiver port specified").
base=$((20000 + RANDOM % 12000))
http=$base mp_in=$((base + 1)) mp_out=$((base + 2)) telnet=$((base + 3))

fg_pid="" bridge_pid="" feeder_pid=""
passed=false
cleanup() {
  local status=$?
  # FlightGear runs in a process group of its own: xvfb-run, Xvfb, dbus and fgfs go together.
  # One already gone is no reason to leave the others running.
  if [[ -n $fg_pid ]]; then kill -- -"$fg_pid" 2>/dev/null || true; fi
  if [[ -n $bridge_pid ]]; then kill "$bridge_pid" 2>/dev/null || true; fi
  if [[ -n $feeder_pid ]]; then kill "$feeder_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  # A block whose users were killed is left behind.
  rm -f "/dev/shm/$name"
  if [[ $passed != true ]]; then
    echo "--- FlightGear log (last 30 lines)"; tail -n 30 "$work/fgfs.log" 2>/dev/null
    echo "--- corvane-fg"; cat "$work/bridge.log" 2>/dev/null
    echo "--- corvane (last 10 lines)"; tail -n 10 "$work/corvane.log" 2>/dev/null
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "FAILED: $*"
  exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  for ((i = 0; i < seconds * 2; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.5
  done
  return 1
}

# FlightGear with the UFO under Xvfb, its HTTP and multiplayer ports those of the run, its
# output in $work/fgfs.log; the arguments add to or override the rest (position, rendering).
start_flightgear() {
  mkdir -p "$work/home"
  HOME="$work/home" setsid xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session "$fgfs" \
    --aircraft=ufo --disable-terrasync --disable-sound --disable-splash-screen --disable-clouds \
    --fog-fastest --httpd=$http --multiplay=in,10,127.0.0.1,$mp_in \
    --multiplay=out,10,127.0.0.1,$mp_out --callsign=OWNSHIP --disable-ai-traffic \
    "$@" >"$work/fgfs.log" 2>&1 &
  fg_pid=$!
}
