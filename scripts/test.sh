#!/usr/bin/env bash
# The one test command: installs what is missing, then
#  - checks the test scripts' own helpers with stand-ins for the programs (scripts/test-scripts.sh);
#  - builds into build/ and runs every test, and the same in build-asan/ under AddressSanitizer
#    and UndefinedBehaviorSanitizer;
#  - runs the live chain end to end: a log served, recorded, fed live and sent on by the bridge
#    (scripts/test-live.sh);
#  - makes the Debian package and tests it unpacked (scripts/test-package.sh);
#  - flies the feeder's traffic in the real FlightGear under Xvfb (scripts/test-flightgear.sh),
#    and stands it on FlightGear's ground at Honolulu (scripts/test-flightgear-ground.sh);
#  - fuzzes each fuzz target briefly on its seed corpus (build-fuzz/, clang and libFuzzer);
#  - cross-compiles the Windows program into build-win/ and runs its tests and an end-to-end run
#    under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

# step NAME COMMAND...: runs one step and says how long it took, so that a slow step shows.
step() {
  local name=$1 start=$SECONDS
  shift
  echo "=== ${name} ==="
  "$@"
  echo "=== ${name}: $((SECONDS - start)) s ==="
}

build_and_test() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$(nproc)"
  ctest --preset "$1" -j "$(nproc)"
}

step "installing what is missing" scripts/install-deps.sh
step "test scripts" scripts/test-scripts.sh
step "default build" build_and_test default
step "asan build" build_and_test asan
step "live traffic end-to-end" scripts/test-live.sh
step "Debian package" scripts/test-package.sh
step "FlightGear end-to-end" scripts/test-flightgear.sh
step "FlightGear ground" scripts/test-flightgear-ground.sh
step "fuzz targets" scripts/fuzz.sh "${CORVANE_FUZZ_SECONDS:-10}"
step "Windows build under Wine" scripts/test-windows.sh
echo "All tests passed in ${SECONDS} s."
