#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and the address and undefined-behaviour
# sanitizers in build-fuzz/ (preset "fuzz") and fuzzes them one at a time. The targets and their
# seed corpora are those fuzz/CMakeLists.txt declares, as the configure lists them in
# build-fuzz/fuzz/fuzz-targets.txt. Whatever a target finds is left in build-fuzz/findings/<target>/
# and fails the script; each target's log is build-fuzz/<target>.log.
#   scripts/fuzz.sh [seconds per target]
#     the brief run (default 20 s): each target on a fresh copy of its seed corpus.
#   scripts/fuzz.sh --long [seconds per target] [target...]
#     the long run (default 600 s; every target, or those named): each target goes on from its
#     working corpus in build-fuzz/corpus/<target>/ (kept between runs), and the inputs that reach
#     coverage the seed corpus does not are then merged into fuzz/corpus/<target>/ (-merge=1
#     by edges, not hit counts: a small input for each edge the seeds miss).
#   CORVANE_FUZZ_BUILD names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
long=false
if [[ ${1:-} == --long ]]; then
  long=true
  shift
fi
seconds=${1:-$($long && echo 600 || echo 20)}
shift || true
wanted=("$@")
build=${CORVANE_FUZZ_BUILD:-build-fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j 2 --target fuzzers

# One "target<TAB>corpus folder" a line.
fuzzers=()
corpora=()
while IFS=$'\t' read -r fuzzer corpus_folder; do
  target=${fuzzer%_fuzzer}
  if [[ ${#wanted[@]} -eq 0 || " ${wanted[*]} " == *" $target "* ]]; then
    fuzzers+=("$fuzzer")
    corpora+=("$corpus_folder")
  fi
done <"$build/fuzz/fuzz-targets.txt"
if [[ ${#fuzzers[@]} -eq 0 ]]; then
  echo "FAILED: no fuzz targets (of ${wanted[*]:-all}) listed in $build/fuzz/fuzz-targets.txt"
  exit 1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1
failed=()
for i in "${!fuzzers[@]}"; do
  fuzzer=${fuzzers[i]}
  seeds=${corpora[i]}
  target=${fuzzer%_fuzzer}
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  log="$build/${target}.log"
  if ! $long; then
    rm -rf "$corpus"
  fi
  mkdir -p "$corpus" "$findings"
  cp -n "$seeds"/* "$corpus"/
  echo "=== ${fuzzer}: ${seconds} s ==="
  if ! "$build/bin/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" 2>"$log"; then
    failed+=("$target")
  fi
  grep -E "^(stat::number_of_executed_units|Done|==[0-9]+==ERROR)" "$log" || true
  grep -E "^#[0-9]+.*(DONE|INITED)" "$log" | tail -1 || true
  if $long; then
    before=$(ls "$seeds" | wc -l)
    "$build/bin/$fuzzer" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=2048 "$seeds" \
      "$corpus" 2>"$build/${target}.merge.log" || failed+=("$target (merge)")
    echo "seed corpus: $before inputs, now $(ls "$seeds" | wc -l)"
  fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "Findings in: ${failed[*]} (inputs in $build/findings/, logs in $build/*.log)"
  exit 1
fi
echo "No findings."
