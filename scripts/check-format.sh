#!/usr/bin/env bash
# Every C++ file git tracks is laid out as .clang-format says, by the clang-format of Debian 12
# (version 14: another version lays some lines out otherwise). Lists the files that are not and
# fails; `scripts/check-format.sh --fix` formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(command -v clang-format-14 || command -v clang-format || true)
if [[ -z $tool ]]; then
  echo "check-format: clang-format-14 is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [[ ${1:-} == --fix ]]; then
  "$tool" -i "${files[@]}"
  exit 0
fi
# One run over every file; each place it would change is said as "FILE:LINE:COLUMN: error: ...".
mapfile -t bad < <("$tool" --dry-run "${files[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: .*/\1/p' | sort -u)
if [[ ${#bad[@]} -gt 0 ]]; then
  echo "check-format: ${#bad[@]} file(s) not laid out as .clang-format says (scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files laid out as .clang-format says"
