#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and the address and undefined-behaviour
# sanitizers in build-fuzz/ (preset "fuzz"), and fuzzes each one briefly, one at a time, on a copy
# of its seed corpus. Whatever a target finds is left in build-fuzz/findings/<target>/ and fails
# the script. The targets and their corpora are those fuzz/CMakeLists.txt declares, as the
# configure lists them in build-fuzz/fuzz/fuzz-targets.txt.
#   scripts/fuzz.sh [seconds per target]   (default 20; CORVANE_FUZZ_BUILD names another folder)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=${CORVANE_FUZZ_BUILD:-build-fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j 2 --target fuzzers

# One "target<TAB>corpus folder" a line.
fuzzers=()
corpora=()
while IFS=$'\t' read -r fuzzer corpus_folder; do
  fuzzers+=("$fuzzer")
  corpora+=("$corpus_folder")
done <"$build/fuzz/fuzz-targets.txt"
if [[ ${#fuzzers[@]} -eq 0 ]]; then
  echo "FAILED: no fuzz targets listed in $build/fuzz/fuzz-targets.txt"
  exit 1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1
failed=()
for i in "${!fuzzers[@]}"; do
  fuzzer=${fuzzers[i]}
  target=${fuzzer%_fuzzer}
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  rm -rf "$corpus"
  mkdir -p "$corpus" "$findings"
  cp "${corpora[i]}"/* "$corpus"/
  echo "=== ${fuzzer}: ${seconds} s ==="
  if ! "$build/bin/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" 2>"$build/${target}.log"; then
    failed+=("$target")
  fi
  grep -E "^(stat::number_of_executed_units|Done|==[0-9]+==ERROR)" "$build/${target}.log" || true
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "Findings in: ${failed[*]} (inputs in $build/findings/, logs in $build/*.log)"
  exit 1
fi
echo "No findings."
