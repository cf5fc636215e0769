#!/usr/bin/env bash
# Mutation testing by hand: applies each mutant of a list to the sources, one
# at a time, rebuilds what the mutant's tests need and runs those tests.
#
#   tools/mutants.sh [-l LIST] [-b BUILD_DIR] [-o RESULTS] [-t SECONDS] [-c] [ID...]
#
#   -l LIST     the mutant list (default tools/mutants.txt; its header says the format)
#   -b DIR      the build directory (default build/mutants), configured and
#               built in full the first time
#   -o FILE     the results, one line per mutant (default DIR/results.txt)
#   -t SECONDS  time limit of one test program (default: 5 times its time on
#               the sources as they are, plus 10 s)
#   -c          only check that every mutant applies; build and run nothing
#   ID...       only these mutants (shell patterns: 'rbt-*')
#
# A mutant is killed when a test fails or runs out of time, survives when all
# pass, is stillborn when it does not build (not counted) and not applicable
# when its text is not found once in exactly one file (not counted). Prints
# `killed K of N` and the survivors. Every source is restored afterwards,
# also on an interrupt. Run it nicely on a shared machine:
#   nice -n 10 tools/mutants.sh
set -uo pipefail

here=$PWD
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 2
# A path given on the command line, as seen from where the script was started.
given() { [[ $1 == /* ]] && printf '%s' "$1" || printf '%s' "$here/$1"; }

list=tools/mutants.txt
build=build/mutants
results=''
limit=''
check_only=0
while getopts "l:b:o:t:ch" option; do
  case $option in
  l) list=$(given "$OPTARG") ;;
  b) build=$(given "$OPTARG") ;;
  o) results=$(given "$OPTARG") ;;
  t) limit=$OPTARG ;;
  c) check_only=1 ;;
  *)
    sed -n '2,21p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
    [[ $option == h ]] && exit 0
    exit 2
    ;;
  esac
done
shift $((OPTIND - 1))
patterns=("$@")
[[ $build == /* ]] || build=$root/$build
results=${results:-$build/results.txt}
logs=$build/logs

# --- the list --------------------------------------------------------------

# Fields of one mutant, separated by "@@": id, file, find, replace, tests,
# description. "@NAME = TESTS" names a set of tests for the tests field.
# Blank lines and lines starting with # are skipped.
ids=() files=() finds=() replaces=() tests=() descriptions=()
declare -A test_sets=()
trim() {
  local s=$1
  s=${s#"${s%%[![:space:]]*}"}
  printf '%s' "${s%"${s##*[![:space:]]}"}"
}
expand_tests() {
  local item out=()
  for item in ${1//,/ }; do
    if [[ $item == @* ]]; then
      [[ -n ${test_sets[${item#@}]:-} ]] || return 1
      out+=("${test_sets[${item#@}]}")
    else
      out+=("$item")
    fi
  done
  local IFS=,
  printf '%s' "${out[*]}"
}
read_list() {
  local line number=0 rest field i
  local -a parts
  while IFS= read -r line || [[ -n $line ]]; do
    number=$((number + 1))
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    if [[ $line =~ ^@([A-Za-z0-9_-]+)[[:space:]]*=[[:space:]]*([^[:space:]]+)[[:space:]]*$ ]]; then
      test_sets[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
      continue
    fi
    parts=()
    rest=$line
    while [[ $rest == *@@* ]]; do
      parts+=("$(trim "${rest%%@@*}")")
      rest=${rest#*@@}
    done
    parts+=("$(trim "$rest")")
    if ((${#parts[@]} != 6)); then
      echo "mutants: $list:$number: expected 6 fields separated by @@, found ${#parts[@]}" >&2
      exit 2
    fi
    for i in "${!ids[@]}"; do
      if [[ ${ids[i]} == "${parts[0]}" ]]; then
        echo "mutants: $list:$number: id '${parts[0]}' is used twice" >&2
        exit 2
      fi
    done
    if ! field=$(expand_tests "${parts[4]}"); then
      echo "mutants: $list:$number: unknown test set in '${parts[4]}'" >&2
      exit 2
    fi
    ids+=("${parts[0]}") files+=("${parts[1]}") finds+=("${parts[2]}")
    replaces+=("${parts[3]}") tests+=("$field") descriptions+=("${parts[5]}")
  done <"$list"
}
selected() {
  local id=$1 p
  ((${#patterns[@]} == 0)) && return 0
  for p in "${patterns[@]}"; do
    # shellcheck disable=SC2053
    [[ $id == $p ]] && return 0
  done
  return 1
}

# The file of a mutant: its base name (or a trailing part of its path) among
# the files git knows, wherever it lies. Prints the path, or a reason on
# standard error.
locate() {
  local name=$1 matches
  matches=$(git ls-files | awk -v n="$name" '$0 == n || substr($0, length($0) - length(n)) == "/" n')
  if [[ -z $matches ]]; then
    echo "no file $name" >&2
    return 1
  fi
  if (($(wc -l <<<"$matches") > 1)); then
    echo "$name is ambiguous: $(tr '\n' ' ' <<<"$matches")" >&2
    return 1
  fi
  printf '%s\n' "$matches"
}

# mutate FILE FIND REPLACE N WHY [-]: replaces occurrence N (0: the only
# one) of FIND by REPLACE in FILE, or writes into WHY the reason why not.
# Literal texts, no patterns. With "-" last it only checks.
mutate() {
  perl -e '
    my ($path, $find, $replace, $nth, $out, $dry) = @ARGV;
    open my $in, "<", $path or die "cannot read $path: $!";
    local $/;
    my $text = <$in>;
    close $in;
    my @at;
    for (my $p = index($text, $find); $p >= 0; $p = index($text, $find, $p + 1)) { push @at, $p }
    my $why = !@at ? "text not found"
            : $nth == 0 && @at > 1 ? scalar(@at) . " occurrences: name one (FILE#N)"
            : $nth > @at ? "only " . scalar(@at) . " occurrences"
            : "";
    if ($why ne "") { open my $o, ">", $out; print $o $why; exit 1 }
    exit 0 if defined $dry;
    my $p = $at[$nth == 0 ? 0 : $nth - 1];
    substr($text, $p, length $find) = $replace;
    open my $w, ">", $path or die "cannot write $path: $!";
    print $w $text;
    close $w;
  ' "$@"
}

# --- restoring -------------------------------------------------------------

work=$(mktemp -d)
mutated=''
child=''
# run_child DIR COMMAND...: runs COMMAND in DIR as a process group of its
# own and waits for it, so that an interrupt stops it at once, and all it
# started with it.
run_child() {
  local dir=$1 status
  shift
  (cd "$dir" && exec setsid "$@") &
  child=$!
  wait "$child"
  status=$?
  child=''
  return $status
}
restore() {
  [[ -n $mutated ]] || return 0
  # Written anew (not moved back with its old time), so the build sees a
  # newer file than the mutant's objects and compiles it again.
  cat "$work/original" >"$mutated"
  mutated=''
}
finish() {
  [[ -n $child ]] && kill -TERM -- -"$child" 2>/dev/null
  restore
  rm -rf "$work"
}
trap finish EXIT
# (Standard error as the script got it: a trap runs inside whatever
# redirection is in force when the signal comes.)
exec 3>&2
trap 'echo "mutants: interrupted" >&3; exit 130' INT TERM HUP

# --- building and testing --------------------------------------------------

declare -A program_of=() baseline=()
configure_and_build() {
  if [[ ! -f $build/CMakeCache.txt ]]; then
    # The default preset's build without the parts no mutant needs. No debug
    # information (quicker to build and link), and programs are not relinked
    # when only the shared library changed.
    run_child . cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_LINK_DEPENDS_NO_SHARED=ON \
      -DMX_BUILD_BENCHMARKS=OFF -DMX_BUILD_FUZZERS=OFF >"$logs/configure.log" 2>&1 || {
      echo "mutants: configuring $build failed (see $logs/configure.log)" >&2
      exit 2
    }
  fi
  echo "mutants: building $build"
  run_child . cmake --build "$build" -j2 >"$logs/build.log" 2>&1 || {
    echo "mutants: the sources as they are do not build (see $logs/build.log)" >&2
    exit 2
  }
}

# A test is a target name: a GoogleTest program, run directly; or
# TARGET:REGEX: the target is built and ctest runs the tests matching REGEX.
target_of() { printf '%s' "${1%%:*}"; }
find_program_of() {
  local target=$1 found
  found=$(find "$build" -type f -name "$target" -perm -u+x -not -path '*/CMakeFiles/*' | head -n 1)
  [[ -n $found ]] || return 1
  program_of[$target]=$found
}
time_limit() {
  if [[ -n $limit ]]; then
    printf '%s' "$limit"
  else
    printf '%s' $((5 * ${baseline[$1]:-60} + 10))
  fi
}
run_test() { # test log -> 0 passed, 1 failed, 2 timed out, 3 crashed
  local test=$1 log=$2 seconds status
  seconds=$(time_limit "$test")
  if [[ $test == *:* ]]; then
    run_child . timeout -k 5 $((seconds * 4)) ctest --test-dir "$build" -R "${test#*:}" -j2 \
      --timeout "$seconds" --output-on-failure --no-tests=error >"$log" 2>&1
  else
    run_child "$(dirname "${program_of[$test]}")" \
      timeout -k 5 "$seconds" "${program_of[$test]}" --gtest_brief=1 >"$log" 2>&1
  fi
  status=$?
  ((status == 0)) && return 0
  ((status == 124 || status == 137)) && return 2
  grep -q "Timeout" "$log" 2>/dev/null && [[ $test == *:* ]] && return 2
  ((status > 128)) && return 3
  return 1
}

# Every test a selected mutant names passes on the sources as they are; its
# time there sets its limit.
check_baseline() {
  local i test start elapsed
  declare -A seen=()
  for i in "${order[@]}"; do
    for test in ${tests[i]//,/ }; do
      [[ -n ${seen[$test]:-} ]] && continue
      seen[$test]=1
      if [[ $test != *:* ]] && ! find_program_of "$test"; then
        echo "mutants: no test program $test in $build (mutant ${ids[i]})" >&2
        exit 2
      fi
      start=$SECONDS
      if ! run_test "$test" "$logs/baseline-${test//[^A-Za-z0-9_]/_}.log"; then
        echo "mutants: $test fails on the sources as they are (see $logs)" >&2
        exit 2
      fi
      elapsed=$((SECONDS - start))
      baseline[$test]=$((elapsed > 0 ? elapsed : 1))
    done
  done
}

# --- one mutant ------------------------------------------------------------

# Sets `outcome` (killed, survived, stillborn, not-applicable) and `detail`.
try_mutant() {
  local i=$1 name nth=0 path log targets test verdict
  name=${files[i]%%#*}
  [[ ${files[i]} == *#* ]] && nth=${files[i]##*#}
  log=$logs/${ids[i]}.log
  : >"$log"
  if ! path=$(locate "$name" 2>"$work/why"); then
    outcome=not-applicable detail=$(cat "$work/why")
    return
  fi
  cp "$path" "$work/original"
  mutated=$path
  if ! mutate "$path" "${finds[i]}" "${replaces[i]}" "$nth" "$work/why"; then
    mutated=''
    outcome=not-applicable detail="$path: $(cat "$work/why")"
    return
  fi
  targets=()
  for test in ${tests[i]//,/ }; do targets+=("$(target_of "$test")"); done
  if ! run_child . cmake --build "$build" -j2 --target "${targets[@]}" >>"$log" 2>&1; then
    restore
    outcome=stillborn detail="does not build (see $log)"
    return
  fi
  outcome=survived detail=''
  for test in ${tests[i]//,/ }; do
    run_test "$test" "$work/test.log"
    verdict=$?
    cat "$work/test.log" >>"$log"
    if ((verdict != 0)); then
      outcome=killed
      case $verdict in
      2) detail="$test timed out" ;;
      3) detail="$test crashed" ;;
      *) detail="$test failed" ;;
      esac
      break
    fi
  done
  restore
}

# --- main ------------------------------------------------------------------

read_list
order=()
for i in "${!ids[@]}"; do selected "${ids[i]}" && order+=("$i"); done
if ((${#order[@]} == 0)); then
  echo "mutants: no mutant selected" >&2
  exit 2
fi

if ((check_only)); then
  bad=0
  for i in "${order[@]}"; do
    name=${files[i]%%#*} nth=0
    [[ ${files[i]} == *#* ]] && nth=${files[i]##*#}
    if path=$(locate "$name" 2>"$work/why") && mutate "$path" "${finds[i]}" "" "$nth" "$work/why" -; then
      continue
    fi
    echo "mutants: ${ids[i]}: not applicable: $(cat "$work/why")"
    bad=$((bad + 1))
  done
  echo "mutants: $((${#order[@]} - bad)) of ${#order[@]} apply"
  exit $((bad > 0))
fi

mkdir -p "$logs"
started=$SECONDS
configure_and_build
check_baseline
echo "mutants: ${#order[@]} mutants; the tests pass on the sources as they are"

killed=0 survived=0 stillborn=0 not_applicable=0
survivors=() others=()
: >"$results"
for i in "${order[@]}"; do
  begun=$SECONDS
  try_mutant "$i"
  spent=$((SECONDS - begun))
  printf '%-28s %-15s %4ds  %s\n' "${ids[i]}" "$outcome" "$spent" "$detail" | tee -a "$results"
  case $outcome in
  killed) killed=$((killed + 1)) ;;
  survived)
    survived=$((survived + 1))
    survivors+=("${ids[i]} (${files[i]}): ${descriptions[i]}")
    ;;
  stillborn)
    stillborn=$((stillborn + 1))
    others+=("${ids[i]}: stillborn: $detail")
    ;;
  *)
    not_applicable=$((not_applicable + 1))
    others+=("${ids[i]}: not applicable: $detail")
    ;;
  esac
done

{
  echo
  echo "killed $killed of $((killed + survived))"
  ((stillborn + not_applicable > 0)) && echo "not counted: $stillborn stillborn, $not_applicable not applicable"
  ((${#survivors[@]} > 0)) && printf 'survived: %s\n' "${survivors[@]}"
  ((${#others[@]} > 0)) && printf '%s\n' "${others[@]}"
  echo "mutants: finished in $((SECONDS - started)) s"
} | tee -a "$results"
