#!/usr/bin/env bash
# Line and branch coverage of the library (src/) and the tools (tools/) from
# the counts a coverage build left behind.
#
#   cmake --workflow --preset coverage && tools/coverage.sh [BUILD_DIR]
#   tools/coverage.sh --run        # the same, after clearing old counts
#
# BUILD_DIR defaults to build/coverage. Prints a table of line coverage per
# file, then one summary line:
#   coverage: lines 95.3% (5938 of 6232), branches 83.5% (5157 of 6175)
# Branches that only exceptions take and branches the compiler proved
# unreachable are left out. Needs gcovr (Debian package gcovr).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

run=0
case "${1:-}" in
-h | --help)
  sed -n '2,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  exit 0
  ;;
--run)
  run=1
  shift
  ;;
esac
build=${1:-build/coverage}
if ((run)) && [[ $build != build/coverage ]]; then
  echo "coverage: --run uses the coverage preset's build/coverage" >&2
  exit 2
fi

if ! command -v gcovr >/dev/null; then
  echo "coverage: gcovr is not installed (apt-get install gcovr)" >&2
  exit 2
fi
if ((run)); then
  # Counts add up across runs: start from zero so that they describe this one.
  [[ -d $build ]] && find "$build" -name '*.gcda' -delete
  cmake --workflow --preset coverage
fi
if [[ -z $(find "$build" -name '*.gcda' -print -quit 2>/dev/null) ]]; then
  echo "coverage: no coverage data in $build (run: cmake --workflow --preset coverage)" >&2
  exit 2
fi

# The filters are folders, relative to the source root, so files may move
# between sub-folders of src/ and tools/ freely.
# The thread test bumps counters from several threads; the build counts
# atomically, and a line gcov still cannot read is skipped (and named on
# standard error) rather than ending the report. gcovr may hang after such an
# error with parallel workers, so it runs on one, with a time limit.
report=$(timeout 900 gcovr --root . --filter 'src/' --filter 'tools/' \
  --exclude-throw-branches --exclude-unreachable-branches --gcov-ignore-parse-errors \
  --print-summary "$build")

# gcovr's summary lines read "lines: 95.3% (5938 out of 6232)".
summary_of() {
  sed -n "s/^$1: \([0-9.]*%\) (\([0-9]*\) out of \([0-9]*\))\$/\1 (\2 of \3)/p" <<<"$report"
}
lines=$(summary_of lines)
branches=$(summary_of branches)
grep -v -E '^(lines|functions|branches): ' <<<"$report"
if [[ -z $lines || -z $branches ]]; then
  echo "coverage: gcovr printed no summary" >&2
  exit 2
fi
echo "coverage: lines $lines, branches $branches"
