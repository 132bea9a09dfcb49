#!/usr/bin/env bash
# Traffic on and near the ground in the real FlightGear: FlightGear standing on runway 08L at
# Honolulu (PHNL, where its base scenery has terrain) with its property server and Nasal,
# corvane-fg asking it for the ground (--fg-telnet), and corvane feeding a recording with an
# aircraft parked 200 m from FlightGear's own and one on a 3 degree final to 08L. Checks through
# FlightGear's property tree that the parked one stands on FlightGear's ground at its spot (as
# Nasal's geodinfo gives it there) within 0.3 m, level, and that the one on final flies at its
# record's geometric height less the geoid's undulation within 1 m, not put on the ground.
#
# FlightGear renders in software here; on a loaded machine it may fall to a frame every few
# seconds or stop answering altogether. It is started with everything that costs frames turned
# down, and a FlightGear that stops answering is reported as such (exit code 2, not a failure
# of the bridge). FG_WAIT (default 400) is how long it may take to answer at all.
set -euo pipefail
cd "$(dirname "$0")/.."

name="CorvaneFgGround_$$_$RANDOM"
source scripts/flightgear-run.sh

# FlightGear on runway 08L, 250 m in from its threshold, heading east.
own_lat=21.325246 own_lon=-157.940830
# Parked 200 m north of it, off the runway; on final 18 km west of 08L's threshold at t0, 140 kt,
# 3 degrees down to 50 ft over the threshold (field elevation 13 ft).
park_lat=21.327045 park_lon=$own_lon
threshold_lat=21.325247 threshold_lon=-157.943233

# FlightGear itself could not be run here: not the bridge's fault, and not a pass.
unrunnable() {
  echo "FLIGHTGEAR UNUSABLE: $*"
  exit 2
}

# The JSON of a subtree of FlightGear's properties; fails when FlightGear does not answer.
subtree() {
  curl -gsf -m 20 "http://127.0.0.1:$http/json$1?d=1"
}
# One value of such a subtree.
value() { sed -n "s/.*\"name\":\"$2\",\"value\":\"\{0,1\}\([^\",}]*\).*/\1/p" <<<"$1"; }

# FlightGear's ground at a point, as Nasal's geodinfo gives it through the property server
# (metres; "nil" where no scenery is loaded).
geodinfo() {
  python3 - "$telnet" "$1" "$2" <<'EOF'
import re, socket, sys
port, lat, lon = int(sys.argv[1]), sys.argv[2], sys.argv[3]
s = socket.create_connection(('127.0.0.1', port), timeout=60)
# The Nasal block's status comes without a line end, before the answer: the answer is marked.
s.sendall(('data\r\nnasal\r\nvar g = geodinfo(%s, %s); '
           "setprop('/corvane-test/ground', 'ground=' ~ (g == nil ? 'nil' : sprintf('%%.3f', g[0])));"
           '\r\n##EOF##\r\nget /corvane-test/ground\r\n' % (lat, lon)).encode())
answer = re.compile(rb'ground=([^\r\n]*)\r?\n')
got = b''
while not answer.search(got):
    chunk = s.recv(4096)
    if not chunk:
        sys.exit(1)
    got += chunk
print(answer.search(got).group(1).decode())
EOF
}

# The recording: the parked aircraft without a height, as trafficlog records aircraft on the
# ground; the one on final with its barometric and geometric heights (in that order).
t0=1700000000 entries=24
final_at() { # recording time -> "lat lon height_above_sea_level_m"
  awk -v t="$1" -v t0=$t0 -v lat=$threshold_lat -v lon=$threshold_lon '
    BEGIN { pi = atan2(0, -1); v = 72.0; slope = 3 * pi / 180
      west = 18000 - v * (t - t0)
      printf "%.7f %.7f %.2f\n", lat, lon - west / (111320 * cos(lat * pi / 180)),
        13 * 0.3048 + 50 * 0.3048 + west * sin(slope) / cos(slope) }'
}
{
  echo "Traffic on and near the ground at Honolulu"
  echo "####_BEGIN_####"
  for ((k = 0; k < entries; k++)); do
    t=$((t0 + 10 * k))
    echo "####_ENTRY_${k}_####"
    echo "PARKED|4CA001|$t|$park_lat|$park_lon|||270.0|0.00|"
    read -r lat lon h < <(final_at $t)
    # The geometric height is above the ellipsoid: the geoid's undulation where it flies added.
    awk -v t=$t -v lat="$lat" -v lon="$lon" -v h="$h" \
      -v n="$(python3 scripts/geoid_undulation.py "$lat" "$lon")" 'BEGIN {
      pi = atan2(0, -1)
      printf "FINAL|4CA002|%d|%s|%s|%.2f|%.2f|90.0|72.00|%.2f\n", t, lat, lon, h, h + n,
        -72 * sin(3 * pi / 180) / cos(3 * pi / 180) }'
    echo "####_ENTRY_END_####"
  done
  echo "####_END_####"
} >"$work/TrafficLog.dat"

echo "=== FlightGear at PHNL, ports $http (HTTP), $telnet (properties), $mp_in/$mp_out ==="
start=$SECONDS
# Everything that costs frames turned down: software rendering on a busy machine.
start_flightgear --lat=$own_lat --lon=$own_lon --heading=90 --on-ground \
  --telnet=$telnet --allow-nasal-from-sockets --timeofday=noon --geometry=320x240 --max-fps=10 \
  --visibility=8000 --disable-clouds3d --disable-random-objects --disable-random-vegetation \
  --disable-random-buildings --disable-specular-highlight --disable-distance-attenuation \
  --disable-horizon-effect --disable-panel --disable-hud --disable-real-weather-fetch \
  --prop:/sim/rendering/shaders/quality-level=0

"$bin/corvane-fg" --name "$name" --listen "$mp_out" --send "$mp_in" --fg-telnet "$telnet" --log \
  --end-after-silence 60 --keep-running >"$work/bridge.log" 2>&1 &
bridge_pid=$!

wait_for "${FG_WAIT:-400}" curl -sf -m 5 "http://127.0.0.1:$http/json/position" ||
  unrunnable "FlightGear did not answer on its HTTP port within ${FG_WAIT:-400} s"
echo "FlightGear answers after $((SECONDS - start)) s"
wait_for 180 grep -q "FlightGear found" "$work/bridge.log" ||
  unrunnable "no position message from FlightGear reached corvane-fg within 180 s"
wait_for 120 grep -q "property server at .* found" "$work/bridge.log" ||
  fail "corvane-fg did not find FlightGear's property server"
echo "corvane-fg hears FlightGear and its property server after $((SECONDS - start)) s"
# FlightGear loads its scenery in the background after it answers: until then geodinfo has
# nothing, the bridge stands the parked aircraft at the field elevation and asks again later.
scenery_loaded() { [[ $(geodinfo $own_lat $own_lon) != nil ]]; }
wait_for "${FG_WAIT:-400}" scenery_loaded ||
  unrunnable "FlightGear loaded no scenery at PHNL within ${FG_WAIT:-400} s"
echo "FlightGear's scenery at PHNL is loaded after $((SECONDS - start)) s"

"$bin/corvane" --name "$name" --data "$work/TrafficLog.dat" >"$work/corvane.log" 2>&1 &
feeder_pid=$!
two_publications() { (($(grep -c " publication [0-9]* (recorded" "$work/bridge.log") >= 2)); }
wait_for 120 two_publications || fail "corvane-fg saw no second publication within 120 s"
grep -q "1 on the ground" "$work/bridge.log" || fail "corvane-fg put no aircraft on the ground"

# Each aircraft by its callsign; FlightGear may take some seconds to show it.
index_of() {
  local callsign=$1 n
  for ((n = 0; n < 8; n++)); do
    [[ $(value "$(subtree "/ai/models/multiplayer[$n]")" callsign) == "$callsign" ]] &&
      echo "$n" && return 0
  done
  return 1
}

echo "=== Parked: on FlightGear's ground at its spot ==="
n=$(index_of PARKED) || fail "FlightGear does not show PARKED"
# The bridge asks once FlightGear answers and sends the ground's height when the answer comes.
deadline=$((SECONDS + 120))
while :; do
  position=$(subtree "/ai/models/multiplayer[$n]/position") ||
    unrunnable "FlightGear stopped answering on its HTTP port"
  orientation=$(subtree "/ai/models/multiplayer[$n]/orientation") ||
    unrunnable "FlightGear stopped answering on its HTTP port"
  lat=$(value "$position" latitude-deg) lon=$(value "$position" longitude-deg)
  alt_ft=$(value "$position" altitude-ft)
  ground=$(geodinfo "$lat" "$lon") || unrunnable "FlightGear's property server stopped answering"
  off=$(awk -v ft="$alt_ft" -v g="$ground" 'BEGIN { printf "%.3f", g == "nil" ? 999 : ft * 0.3048 - g }')
  awk -v d="$off" 'BEGIN { exit !(d > -0.3 && d < 0.3) }' && break
  # Still loading the scenery there: the bridge's question is asked again.
  ((SECONDS < deadline)) || fail "PARKED at $lat $lon stands $off m above FlightGear's ground ($ground m)"
  sleep 2
done
pitch=$(value "$orientation" pitch-deg) roll=$(value "$orientation" roll-deg)
printf "  PARKED at %s %s: %.3f m, FlightGear's ground %s m (%s m off); pitch %s, roll %s\n" \
  "$lat" "$lon" "$(awk -v ft="$alt_ft" 'BEGIN { print ft * 0.3048 }')" "$ground" "$off" "$pitch" "$roll"
awk -v p="$pitch" -v r="$roll" 'BEGIN { exit !(p * p < 0.01 && r * r < 0.01) }' ||
  fail "PARKED is not level: pitch $pitch, roll $roll"

echo "=== On final: the record's height less the geoid's undulation ==="
n=$(index_of FINAL) || fail "FlightGear does not show FINAL"
position=$(subtree "/ai/models/multiplayer[$n]/position") ||
  unrunnable "FlightGear stopped answering on its HTTP port"
lat=$(value "$position" latitude-deg) lon=$(value "$position" longitude-deg)
alt_ft=$(value "$position" altitude-ft)
# On its straight glide path the height follows from where it is, whenever FlightGear drew it:
# the geometric height there (as the recording has it) less N.
read -r expected off < <(awk -v lon="$lon" -v ft="$alt_ft" -v tlat=$threshold_lat \
  -v tlon=$threshold_lon 'BEGIN { pi = atan2(0, -1)
    west = (tlon - lon) * 111320 * cos(tlat * pi / 180)
    h = 13 * 0.3048 + 50 * 0.3048 + west * sin(3 * pi / 180) / cos(3 * pi / 180)
    printf "%.2f %.2f\n", h, ft * 0.3048 - h }')
printf "  FINAL at %s %s: %.2f m, its glide path there %s m above sea level (%s m off; N %.1f m)\n" \
  "$lat" "$lon" "$(awk -v ft="$alt_ft" 'BEGIN { print ft * 0.3048 }')" "$expected" "$off" "$(python3 scripts/geoid_undulation.py "$lat" "$lon")"
awk -v d="$off" 'BEGIN { exit !(d > -1 && d < 1) }' ||
  fail "FINAL flies $off m off its record's height less the geoid's undulation"
awk -v lat="$lat" -v t=$threshold_lat 'BEGIN { exit !((lat - t)^2 < 1e-6) }' ||
  fail "FINAL is not on the extended centre line of 08L ($lat)"

passed=true
echo "FlightGear ground run passed in $((SECONDS - start)) s."
