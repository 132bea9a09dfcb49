#!/usr/bin/env bash
# Speaks the seven TCAS aural alerts into app/resources/sounds/ (16-bit mono PCM WAV, 22050 Hz,
# as espeak-ng writes them, with the silence at both ends cut off). Needs espeak-ng and sox;
# the build does not: it converts the committed files (tools/wavconvert).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../app/resources/sounds"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# file name | words, in the standard wording of the alerts
alerts=(
  "Traffic|Traffic, traffic"
  "Climb|Climb, climb"
  "ClimbNow|Climb, climb now"
  "ClearOfConflict|Clear of conflict"
  "Descend|Descend, descend"
  "DescendNow|Descend, descend now"
  "TcasSystemFail|T-cass system fail"
)
for alert in "${alerts[@]}"; do
  name=${alert%%|*}
  words=${alert#*|}
  espeak-ng -v en-us -s 165 -w "$work/$name.wav" "$words"
  # Cut leading silence, then trailing silence through a reversed pass.
  sox "$work/$name.wav" -b 16 -c 1 -r 22050 "$out/$name.wav" \
    silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse
  echo "$name.wav: $(soxi -D "$out/$name.wav") s"
done
