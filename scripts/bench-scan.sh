#!/usr/bin/env bash
# Throughput and peak memory of `trafficlog scan` over recordings of about 10 MB and 1 GB made
# with `trafficlog generate`, against `wc -l` on the same file (the floor for any line reader).
# Each figure is the best of three runs with the file in the page cache; the files are deleted
# at the end.
#
#   scripts/bench-scan.sh BUILD_DIR [WORK_DIR]      (WORK_DIR defaults to /tmp)
set -euo pipefail

build_dir=${1:?usage: bench-scan.sh BUILD_DIR [WORK_DIR]}
work_dir=${2:-/tmp}
trafficlog="$build_dir/bin/trafficlog"
[[ -x $trafficlog ]] || { echo "no $trafficlog: build the trafficlog target first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (Debian package: time)" >&2; exit 1; }
command -v bc > /dev/null || { echo "needs bc (Debian package: bc)" >&2; exit 1; }

files=()
trap 'rm -f "${files[@]}"' EXIT

# Seconds of the fastest of three runs of the command (output discarded).
best_of_three() {
    local best="" start end elapsed
    for _ in 1 2 3; do
        start=$EPOCHREALTIME
        "$@" > /dev/null
        end=$EPOCHREALTIME
        elapsed=$(echo "$end - $start" | bc -l)
        if [[ -z $best ]] || (( $(echo "$elapsed < $best" | bc -l) )); then
            best=$elapsed
        fi
    done
    echo "$best"
}

# Peak resident set of one run, in KiB.
peak_kib() {
    /usr/bin/time -f %M "$@" 2>&1 > /dev/null | tail -1
}

# name, seconds of recording, flights per hour
measure() {
    local name=$1 duration=$2 density=$3
    local file="$work_dir/corvane-bench-scan-$name-$$.dat"
    files+=("$file")
    "$trafficlog" generate --out "$file" --duration "$duration" --density "$density" > /dev/null
    cat "$file" > /dev/null # into the page cache
    local bytes wc_s scan_s scan_kib wc_kib
    bytes=$(stat -c %s "$file")
    wc_s=$(best_of_three wc -l "$file")
    scan_s=$(best_of_three "$trafficlog" scan --own 50.45,0.01 "$file")
    wc_kib=$(peak_kib wc -l "$file")
    scan_kib=$(peak_kib "$trafficlog" scan --own 50.45,0.01 "$file")
    printf '%-6s %8.1f MB  wc -l %7.3f s (%7.1f MB/s)  scan %7.3f s (%7.1f MB/s)  scan/wc %5.2f  peak RSS scan %6d KiB, wc %6d KiB\n' \
        "$name" "$(echo "$bytes / 1000000" | bc -l)" "$wc_s" "$(echo "$bytes / 1000000 / $wc_s" | bc -l)" \
        "$scan_s" "$(echo "$bytes / 1000000 / $scan_s" | bc -l)" "$(echo "$scan_s / $wc_s" | bc -l)" \
        "$scan_kib" "$wc_kib"
    rm -f "$file"
}

measure 10MB 3600 600
measure 1GB 108000 2000
