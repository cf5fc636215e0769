#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset) and runs each of them for a
# bounded time, starting from its seed corpus in fuzz/corpus/<target>/. Every
# seed is run first, so the regression seeds kept there are checked on each
# run. Fails when a target finds a crash, a leak, a sanitizer report, a
# timeout or a broken check; the reproducer is kept in the artifact folder.
#
#   tools/run-fuzzers.sh [-t SECONDS] [-b BUILD_DIR] [-o OUT_DIR] [TARGET...]
#
#   -t SECONDS   time per target (default 60)
#   -b BUILD_DIR build folder (default build/fuzz)
#   -o OUT_DIR   where new corpus entries, logs and crash artifacts go
#                (default: a new temporary folder; the seed corpus in the
#                repository is never written to)
#   TARGET       fuzz_string, fuzz_containers, fuzz_lineage, fuzz_history_parser,
#                fuzz_object (default: all)
#
# Extra libFuzzer flags can be given in MX_FUZZ_FLAGS (for example
# MX_FUZZ_FLAGS="-jobs=2 -workers=2").
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
build=build/fuzz
out=""
while getopts "t:b:o:" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    b) build=$OPTARG ;;
    o) out=$OPTARG ;;
    *) echo "usage: $0 [-t SECONDS] [-b BUILD_DIR] [-o OUT_DIR] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(fuzz_string fuzz_containers fuzz_lineage fuzz_history_parser fuzz_object)
fi

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target "${targets[@]}" -j2

if [[ -z $out ]]; then
  out=$(mktemp -d "${TMPDIR:-/tmp}/mx-fuzz.XXXXXX")
fi
mkdir -p "$out"
echo "fuzz: ${seconds} s per target; corpus, logs and artifacts in $out"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/$target
  corpus=$out/$target-corpus
  artifacts=$out/$target-artifacts/
  log=$out/$target.log
  mkdir -p "$corpus" "$artifacts"
  flags=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
         -artifact_prefix="$artifacts")
  if [[ -f fuzz/$target.dict ]]; then
    flags+=(-dict="fuzz/$target.dict")
  fi
  # shellcheck disable=SC2086 # MX_FUZZ_FLAGS is a list of flags
  if "$build/fuzz/$target" "${flags[@]}" ${MX_FUZZ_FLAGS:-} "$corpus" "$seeds" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    echo "fuzz: $target passed: ${runs:-?} executions in ${seconds} s"
  else
    echo "fuzz: $target FAILED; the end of $log:"
    grep -v '^ *"' "$log" | tail -n 40
    ls -l "$artifacts"
    failed+=("$target")
  fi
done

echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if ((${#failed[@]})); then
  echo "fuzz: failed targets: ${failed[*]}" >&2
  exit 1
fi
