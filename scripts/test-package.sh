#!/usr/bin/env bash
# The Debian package, tested without installing it: builds the Linux program (build/, preset
# "default"), makes corvane_<version>_<arch>.deb with cpack, unpacks it into a temporary folder
# and checks that
#  - it holds the programs, their manual pages, the sample recording, README, copyright and
#    changelog, and depends on the libraries the programs link;
#  - every program answers --version, and `man PROGRAM` finds its page;
#  - the unpacked corvane plays the unpacked sample through the unpacked corvane-sim, on a block
#    name of their own, so that no simulator or test on this machine sees their block;
#  - lintian reports no errors.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stand-in.sh

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
deb=$PWD/build/corvane_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
(cd build && cpack -G DEB)
[[ -f $deb ]] || { echo "FAILED: cpack wrote no $deb"; exit 1; }

work=$(mktemp -d)
# A run cut short (a failed step, or the script stopped from outside) stops the programs it
# started and removes their block, as the run that ends well does.
feeder_pid="" block=""
cleanup() {
  if [[ -n $feeder_pid ]]; then
    kill "$feeder_pid" 2>/dev/null || true
    wait "$feeder_pid" 2>/dev/null || true
  fi
  stop_stand_in
  if [[ -n $block ]]; then
    rm -f "/dev/shm/$block"
  fi
  rm -rf "$work"
}
trap cleanup EXIT
root=$work/root
dpkg-deb -x "$deb" "$root"
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

check_contents() {
  local file
  for file in usr/share/corvane/TrafficLog.dat usr/share/doc/corvane/README.md \
    usr/share/doc/corvane/copyright usr/share/doc/corvane/changelog.gz; do
    [[ -f $root/$file ]] || fail "not in the package: /$file"
  done
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  [[ $depends == *libc6* && $depends == *libsdl2* ]] ||
    fail "dependencies not worked out from the programs: '$depends'"
  [[ $depends == *proj-data* ]] || fail "the package does not bring the geoid grid: '$depends'"
  "$root/usr/bin/trafficlog" check "$root/usr/share/corvane/TrafficLog.dat" >/dev/null ||
    fail "the packaged sample is not a clean data file"
}

check_program() {
  local program=$1 output status=0
  output=$("$root/usr/bin/$program" --version 2>&1) || status=$?
  if [[ $status -ne 0 || -z $output ]]; then
    fail "$program --version: status $status, '$output'"
  fi
  local page
  page=$(MANPATH=$root/usr/share/man man -w "$program" 2>/dev/null || true)
  if [[ $page != "$root/usr/share/man/man1/$program.1.gz" ]]; then
    fail "man $program finds '$page', not the packaged page"
    return
  fi
  local name_line rendered option
  name_line=$(lexgrog "$page" 2>/dev/null || true)
  [[ $name_line == *"\"$program - "* ]] || fail "the page of $program has no name line: $name_line"
  # Every option its --help names is on the page.
  rendered=$(MANPATH=$root/usr/share/man LC_ALL=C MANWIDTH=250 man -P cat "$program" 2>/dev/null || true)
  for option in $("$root/usr/bin/$program" --help 2>&1 | grep -o -E -- '--[a-z][a-z-]*' | sort -u); do
    [[ $rendered == *"$option"* ]] || fail "the manual page of $program does not name $option"
  done
}

# The feeder's version text and the package come from one project version.
check_feeder_version() {
  local text
  text=$("$root/usr/bin/corvane" --version 2>&1) || true
  [[ $text == *"Version ${version%.*}"* ]] ||
    fail "corvane says '$text', the package is version $version"
}

# The stand-in, then the feeder on the sample; both end by themselves about half a minute later.
play_sample() {
  local status=0
  block="CorvanePackageTest_$$_$RANDOM"
  if ! start_stand_in "$work/sim.log" "$root/usr/bin/corvane-sim" --name "$block" --log \
    --end-after 28; then
    failures=$((failures + 1))
    return
  fi
  timeout 60 "$root/usr/bin/corvane" --name "$block" \
    --data "$root/usr/share/corvane/TrafficLog.dat" </dev/null >"$work/corvane.log" 2>&1 &
  feeder_pid=$!
  wait "$feeder_pid" || status=$?
  feeder_pid=""
  wait_for_stand_in
  rm -f "/dev/shm/$block"
  [[ $status -eq 0 ]] || fail "the packaged corvane did not end by itself (status $status)"
  if ! stand_in_saw_traffic "$work/sim.log"; then
    cat "$work/sim.log" "$work/corvane.log"
    fail "no traffic from the packaged sample reached the packaged corvane-sim"
  fi
}

check_contents
for program in "$root"/usr/bin/*; do
  check_program "$(basename "$program")"
done
check_feeder_version
echo "--- the packaged programs play the packaged sample (about half a minute)"
play_sample
echo "--- lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

if [[ $failures -ne 0 ]]; then
  echo "$failures check(s) of the Debian package failed"
  exit 1
fi
echo "The Debian package passed: $(basename "$deb")"
