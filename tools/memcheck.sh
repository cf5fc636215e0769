#!/usr/bin/env bash
# Runs every unit-test program of a build under valgrind memcheck.
# Usage: tools/memcheck.sh [build-dir]   (default: build/default)
set -uo pipefail
build=${1:-build/default}
failed=0
passed_count=0
failed_count=0
for test in "$build"/tests/test_*; do
  [[ -x $test && -f $test ]] || continue
  if valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
      "$test" --gtest_brief=1 >"$test.memcheck.log" 2>&1; then
    echo "memcheck: clean  $(basename "$test")"
    passed_count=$((passed_count + 1))
  else
    echo "memcheck: FAILED $(basename "$test") (see $test.memcheck.log)"
    failed=1
    failed_count=$((failed_count + 1))
  fi
done
echo "memcheck: $passed_count passed, $failed_count failed"
exit $failed
