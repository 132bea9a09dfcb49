#!/usr/bin/env bash
# End-to-end with the real FlightGear: FlightGear under Xvfb, corvane-fg as the simulator's side of
# the block, and corvane feeding a recording whose aircraft fly around FlightGear's start. Checks
# through FlightGear's own property tree (its HTTP JSON interface) that every published aircraft
# flies there under its callsign within a few hundred metres of where dead reckoning puts it, and
# that FlightGear's position reached the block and the feeder, and that each aircraft is drawn
# with the model `corvane-fg --match` names for it (a fixture aircraft database and the callsigns
# exercise every rule of the matcher but the user's table). Keeps a screenshot of FlightGear's
# window with aircraft of several types and liveries ahead (FG_SCREENSHOT, default
# build/flightgear.png).
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot=${FG_SCREENSHOT:-build/flightgear.png}
# A block of the test's own, so that no simulator or other test on this machine sees it.
name="CorvaneFgE2E_$$_$RANDOM"
source scripts/flightgear-run.sh

# FlightGear's start: ocean south of Brighton, heading east, 3000 ft (914.4 m) up.
own_lat=50.52 own_lon=0.15 own_alt=914.4
# FlightGear's heights are above sea level, the records' geometric ones above the ellipsoid: the
# bridge takes the geoid's undulation off (EGM96, +45 m here; it changes by centimetres over the
# few kilometres the traffic flies).
undulation=$(python3 scripts/geoid_undulation.py $own_lat $own_lon)
model_args=(--model Aircraft/c172p/Models/c172p.xml --aircraft-db "$work/aircraft.csv")
bridge_args=(--name "$name" --listen "$mp_out" --send "$mp_in" --log "${model_args[@]}"
             --end-after-silence 20)

# A property of FlightGear's tree, as its JSON interface gives it; empty when it has none.
# (-g: the brackets of "multiplayer[1]" are part of the path, not a curl pattern.)
property() {
  curl -gsf -m 5 "http://127.0.0.1:$http/json$1" |
    sed -n 's/.*"value":"\{0,1\}\([^",}]*\).*/\1/p' || true
}

# The recording: aircraft flying straight around the start, one entry every 10 s. Each is
# "callsign east_m north_m up_m track_deg speed_ms vrate_ms" relative to FlightGear's start;
# the n-th has the address 4CA000 + n. Those with a speed of 1 m/s hang ahead of FlightGear's
# view for the picture; the others cross the scene. The matcher's rule for each:
#   GABCD   no database entry, slow and low: a light single-engine (class)
#   EIN123  database: EI-CVA, an airframe of Aer Lingus's fleet (registration)
#   DLH400  database: an A321 of DLH that no fleet lists (operator+type)
#   N744AB  database: a B744 of no known operator (type)
#   RYR4AB  no database entry, an airline's callsign (operator)
#   HELI1   database: a helicopter, which FlightGear's AI data has none of (default)
#   TPROP7  database: an unknown type described L2T (class)
aircraft='GABCD 180 -30 8 0 1 0
EIN123 420 -110 20 0 1 0
DLH400 650 90 45 0 1 0
N744AB 1100 -200 110 0 1 0
RYR4AB 380 70 -5 0 1 0
HELI1 -4000 2500 150 90 70 0
TPROP7 2000 -3500 -100 330 60 4'
{
  echo "icao24,registration,typecode,icaoaircrafttype,operator,operatoricao"
  echo "4ca002,EI-CVA,A320,L2J,Aer Lingus,EIN"
  echo "4ca003,D-ZZZZ,A321,L2J,\"Lufthansa, test\",DLH"
  echo "4ca004,N744AB,B744,L4J,,"
  echo "4ca006,D-HZZZ,EC35,H2T,,"
  echo "4ca007,N7,ZZZZ,L2T,,"
} >"$work/aircraft.csv"
t0=1700000000
entries=12
# Position of every aircraft at recording time $1: "callsign lat lon alt_m track speed vrate".
positions_at() {
  awk -v t="$1" -v t0=$t0 -v lat0=$own_lat -v lon0=$own_lon -v alt0=$own_alt '
    BEGIN { pi = atan2(0, -1); mlat = 111200; mlon = 111200 * cos(lat0 * pi / 180) }
    NF == 7 {
      dt = t - t0; a = $5 * pi / 180
      n = $3 + $6 * cos(a) * dt; e = $2 + $6 * sin(a) * dt; u = $4 + $7 * dt
      printf "%s %.7f %.7f %.1f %s %s %s\n", $1, lat0 + n / mlat, lon0 + e / mlon, alt0 + u, $5, $6, $7
    }' <<<"$aircraft"
}
{
  echo "End-to-end recording around FlightGear's start"
  echo "####_BEGIN_####"
  for ((k = 0; k < entries; k++)); do
    echo "####_ENTRY_${k}_####"
    # Addresses 4CA001 on, given in decimal: mawk reads no hexadecimal constants.
    positions_at $((t0 + 10 * k)) | awk -v t=$((t0 + 10 * k)) \
      '{ printf "%s|%06X|%d|%s|%s|%s|%s|%s|%s|%s\n", $1, 5021696 + NR, t, $2, $3, $4, $4, $5, $6, $7 }'
    echo "####_ENTRY_END_####"
  done
  echo "####_END_####"
} >"$work/TrafficLog.dat"

echo "=== FlightGear ($fgfs) on ports $http (HTTP), $mp_in (its input), $mp_out (its output) ==="
start=$SECONDS
start_flightgear --lat=$own_lat --lon=$own_lon --altitude=3000 --in-air --heading=90 \
  --geometry=640x480 --timeofday=afternoon --fov=45 \
  --prop:/sim/rendering/static-lod/aimp-range-mode-distance=true \
  --prop:/sim/rendering/static-lod/aimp-detailed=20000

"$bin/corvane-fg" "${bridge_args[@]}" >"$work/bridge.log" 2>&1 &
bridge_pid=$!

wait_for 300 curl -sf -m 5 "http://127.0.0.1:$http/json/position" ||
  fail "FlightGear did not answer on its HTTP port within 300 s"
echo "FlightGear answers after $((SECONDS - start)) s"
wait_for 120 grep -q "FlightGear found" "$work/bridge.log" ||
  fail "no position message from FlightGear reached corvane-fg within 120 s"
echo "FlightGear's position reaches corvane-fg after $((SECONDS - start)) s"

"$bin/corvane" --name "$name" --data "$work/TrafficLog.dat" >"$work/corvane.log" 2>&1 &
feeder_pid=$!
# The feeder publishes its first entry at its third request, about 20 s after its start.
two_publications() { (($(grep -c " publication [0-9]* (recorded" "$work/bridge.log") >= 2)); }
wait_for 60 two_publications ||
  fail "corvane-fg saw no second publication of the feeder within 60 s"
sleep 3 # the new fixes are blended in and FlightGear has drawn them

echo "=== Own-ship: FlightGear -> block -> feeder ==="
read -r block_lat block_lon < <(od -A n -t f8 -j 152 -N 16 "/dev/shm/$name")
awk -v a="$block_lat" -v b="$block_lon" -v la=$own_lat -v lo=$own_lon \
  'BEGIN { exit !((a - la)^2 < 1e-6 && (b - lo)^2 < 1e-6) }' ||
  fail "the block holds $block_lat $block_lon, not FlightGear's $own_lat $own_lon"
grep -qF "$(printf 'a/c at %7.3f %7.3f' $own_lat $own_lon)" "$work/corvane.log" ||
  fail "the feeder did not filter around FlightGear's position"
echo "block and feeder: $block_lat $block_lon"

echo "=== Traffic: every aircraft in FlightGear near its dead-reckoned position ==="
# The last publication: when corvane-fg saw it, and the recording time of its positions.
read -r seen recorded < <(sed -n 's/^\([^ ]*\) publication [0-9]* (recorded \([^)]*\)).*/\1 \2/p' \
  "$work/bridge.log" | tail -n 1)
seen_s=$(date -d "$seen" +%s.%N)
recorded_s=$(date -d "$recorded" +%s)
# FlightGear answers HTTP between frames, which are slow under software rendering: each
# position is compared with the recording at the moment of its own query.
found=0 rules=""
for ((n = 0; n < 12; n++)); do
  callsign=$(property "/ai/models/multiplayer[$n]/callsign")
  [[ -z $callsign ]] && continue
  before=$(date +%s.%N)
  position=$(curl -gsf -m 5 "http://127.0.0.1:$http/json/ai/models/multiplayer[$n]/position?d=1") ||
    fail "no position for $callsign"
  after=$(date +%s.%N)
  value() { sed -n "s/.*\"name\":\"$1\",\"value\":\([^,}]*\).*/\1/p" <<<"$position"; }
  lat=$(value latitude-deg) lon=$(value longitude-deg) alt_ft=$(value altitude-ft)
  at=$(awk -v r="$recorded_s" -v s="$seen_s" -v b="$before" -v a="$after" \
    'BEGIN { printf "%.2f", r + (a + b) / 2 - s }')
  line=$(positions_at "$at" | grep "^$callsign ") ||
    fail "FlightGear shows $callsign, which was never published"
  # Horizontal and vertical distance, and how far ahead along its track.
  read -r off_h off_v ahead < <(awk -v lat="$lat" -v lon="$lon" -v ft="$alt_ft" -v geoid="$undulation" '
    { pi = atan2(0, -1); n = (lat - $2) * 111200; e = (lon - $3) * 111200 * cos($2 * pi / 180)
      a = $5 * pi / 180
      printf "%.0f %.0f %.0f\n", sqrt(n * n + e * e), ft * 0.3048 - ($4 - geoid), n * cos(a) + e * sin(a) }' <<<"$line")
  printf "  %-8s %s %s %.0f ft: %s m from its dead-reckoned position (%s m ahead), %s m above\n" \
    "$callsign" "$lat" "$lon" "$alt_ft" "$off_h" "$ahead" "$off_v"
  ((off_h < 300 && off_v > -15 && off_v < 15)) ||
    fail "$callsign is $off_h m (and $off_v m up) from where it should be"
  # The model FlightGear draws is the one the matcher chooses for the callsign and address.
  index=$(awk -v c="$callsign" '$1 == c { print NR }' <<<"$aircraft")
  address=$(printf '%06X' $((0x4CA000 + index)))
  drawn=$(property "/ai/models/multiplayer[$n]/sim/model/path")
  chosen=$("$bin/corvane-fg" "${model_args[@]}" --match "$callsign/$address" 2>/dev/null) ||
    fail "corvane-fg --match $callsign/$address failed"
  model=$(sed -n 1p <<<"$chosen") rule=$(sed -n 's/^rule: //p' <<<"$chosen")
  printf "           drawn as %s (%s)\n" "$drawn" "$rule"
  [[ $drawn == "$model" ]] || fail "$callsign is drawn as $drawn, not the chosen $model"
  rules+=" $rule"
  found=$((found + 1))
done
((found == $(wc -l <<<"$aircraft"))) || fail "FlightGear shows $found of $(wc -l <<<"$aircraft") aircraft"
for rule in registration operator+type type operator class default; do
  [[ " $rules " == *" $rule "* ]] || fail "no aircraft got its model by the rule '$rule'"
done
  grep -q "FlightGear data .* liveries" "$work/bridge.log" ||
  fail "corvane-fg did not say which FlightGear data it read"

echo "=== Screenshot ==="
# FlightGear draws a multiplayer aircraft's own model only within its detail range (20 km here,
# set above: by default only once it is 400 pixels wide) and loads it in the background, showing
# a stand-in until it has; under software rendering the liveries take a while.
sleep "${FG_MODEL_WAIT:-30}"
mkdir -p "$(dirname "$screenshot")"
curl -sf -m 30 -o "$screenshot" "http://127.0.0.1:$http/screenshot?type=png" ||
  fail "FlightGear gave no screenshot"
[[ $(head -c 4 "$screenshot" | od -A n -t x1 | tr -d ' ') == 89504e47 ]] ||
  fail "the screenshot is not a PNG"
echo "kept $screenshot"

echo "=== Figures ==="
# The bridge's share of one core since it started: user and system time against its age.
read -r -a stat <"/proc/$bridge_pid/stat"
awk -v cpu=$((stat[13] + stat[14])) -v started="${stat[21]}" -v hz="$(getconf CLK_TCK)" \
  -v up="$(cut -d' ' -f1 /proc/uptime)" 'BEGIN {
    age = up - started / hz
    printf "corvane-fg: %.2f s of CPU in %.0f s, %.2f %% of one core\n", cpu / hz, age, 100 * cpu / hz / age }'

echo "=== End: corvane-fg quits, the feeder ends itself ==="
kill -INT "$bridge_pid"
wait "$bridge_pid" || fail "corvane-fg did not end cleanly"
bridge_pid=""
grep -q "simulation ending" "$work/bridge.log" || fail "corvane-fg did not report the ending"
for _ in $(seq 40); do
  kill -0 "$feeder_pid" 2>/dev/null || break
  sleep 0.5
done
kill -0 "$feeder_pid" 2>/dev/null && fail "the feeder did not end itself with the simulation"
wait "$feeder_pid" || fail "the feeder ended with an error"
feeder_pid=""
passed=true
echo "FlightGear end-to-end run passed in $((SECONDS - start)) s."
