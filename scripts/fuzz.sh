#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and the address and undefined-behaviour
# sanitizers in build-fuzz/, and fuzzes each one briefly, one at a time, on a copy of its seed
# corpus. Whatever a target finds is left in build-fuzz/findings/<target>/ and fails the script.
#   scripts/fuzz.sh [seconds per target]   (default 20; CORVANE_FUZZ_BUILD names another folder)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=${CORVANE_FUZZ_BUILD:-build-fuzz}
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
flags="$sanitizers -fno-omit-frame-pointer -g -O1"
targets=(text_functions revision settings_file traffic_line data_set_reader frame_cycle
  multiplayer_decoder)
targets+=(base_station state_vector byte_source live_reading serve_replay)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCORVANE_FUZZ_WITH_LIBFUZZER=ON -DCORVANE_WARNINGS_AS_ERRORS=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCHMARKS=OFF \
  >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]/%/_fuzzer}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1
failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  rm -rf "$corpus"
  mkdir -p "$corpus" "$findings"
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "=== ${target}_fuzzer: ${seconds} s ==="
  if ! "$build/bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
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
