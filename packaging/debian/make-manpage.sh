#!/bin/sh
# Writes the gzipped manual page of one program from its --help and --version, with the sections
# of the given help2man include files added.
#   make-manpage.sh HELP2MAN PROGRAM PACKAGE_VERSION OUTPUT.1.gz [INCLUDE_FILE...]
# A program that does not answer --version yet gets the package version on its page, so that
# the package still builds; its page names its own version once it answers.
set -eu
help2man=$1 program=$2 package_version=$3 output=$4
shift 4

options=""
for include in "$@"; do
  options="$options --include=$include"
done
if "$program" --version >/dev/null 2>&1; then
  options="$options --version-option=--version"
else
  echo "$(basename "$program") does not answer --version: its manual page names version $package_version" >&2
  options="$options --version-string=$package_version"
fi
mkdir -p "$(dirname "$output")"
# shellcheck disable=SC2086 # the options are words without blanks: build-tree paths
"$help2man" --no-info --help-option=--help $options "$program" >"$output.tmp"
gzip -9n -c "$output.tmp" >"$output"
rm -f "$output.tmp"
