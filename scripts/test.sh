#!/usr/bin/env bash
# The one test command: installs what is missing, then
#  - builds into build/ and runs every test, and the same in build-asan/ under AddressSanitizer
#    and UndefinedBehaviorSanitizer;
#  - makes the Debian package and tests it unpacked (scripts/test-package.sh);
#  - flies the feeder's traffic in the real FlightGear under Xvfb (scripts/test-flightgear.sh);
#  - fuzzes each fuzz target briefly on its seed corpus (build-fuzz/, clang and libFuzzer);
#  - cross-compiles the Windows program into build-win/ and runs its tests and an end-to-end run
#    under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
for preset in default asan; do
  echo "=== ${preset} build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "=== Debian package ==="
scripts/test-package.sh
echo "=== FlightGear end-to-end ==="
scripts/test-flightgear.sh
echo "=== fuzz targets ==="
scripts/fuzz.sh "${CORVANE_FUZZ_SECONDS:-10}"
echo "=== Windows build under Wine ==="
scripts/test-windows.sh
