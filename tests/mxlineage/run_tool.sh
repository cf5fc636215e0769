#!/usr/bin/env bash
# Runs mxlineage once in a fresh working directory and checks what it did.
#
#   run_tool.sh --tool PATH --work DIR [checks...] -- [mxlineage arguments...]
#
# Checks (each may be given several times where it makes sense):
#   --status N            exit status (default 0)
#   --stdout FILE         standard output equals FILE
#   --stderr-file FILE    standard error equals FILE
#   --stdout-match REGEX  standard output has a line matching REGEX (grep -E)
#   --stderr REGEX        standard error has a line matching REGEX (grep -E)
#   --quiet               standard error is empty
#   --file NAME=FILE      the tool wrote NAME (in the working directory), equal to FILE
#   --no-files            the working directory is empty afterwards (no output,
#                         no temporary file)
#   --no-temp             no hidden temporary file (.NAME.XXXXXX) is left behind
#   --keep NAME           NAME exists before the run with a known text and is
#                         unchanged afterwards, and nothing else is left beside it
#   --seed NAME           NAME exists before the run with a known text (to be
#                         replaced: check it with --file)
#   --stdin FILE          standard input is FILE (default: empty)
#   --setup COMMAND       bash runs COMMAND in the working directory before the run
#   --after COMMAND       bash runs COMMAND there afterwards; it must succeed
#   --fifo NAME=FILE      NAME is a FIFO with a reader; what the reader gets equals
#                         FILE, and NAME is still a FIFO afterwards
#   --unwritable-dir      the working directory cannot be written during the run (as
#                         root, the tool runs as nobody and the files are given to it)
#   --interrupt SIGNAL    standard input is a pipe kept open; once a temporary file
#                         appears the tool gets SIGNAL (check --status 128+N)
#   --memory-limit KB     the tool runs under ulimit -v KB
#   --render DOT NAME     Graphviz DOT turns the written NAME into NAME.svg
#                         without complaint
set -u

fail() {
  echo "FAIL: $*" >&2
  failed=1
}

tool='' work='' status=0 stdin=/dev/null quiet=0 no_files=0 no_temp=0
stdout_file='' stderr_file=''
stdout_res=() stderr_res=() files=() keeps=() seeds=() renders=() setups=() afters=()
fifos=() unwritable=0 interrupt='' memory_limit=
failed=0
while (($#)); do
  case "$1" in
  --tool) tool=$2; shift 2 ;;
  --work) work=$2; shift 2 ;;
  --status) status=$2; shift 2 ;;
  --stdout) stdout_file=$2; shift 2 ;;
  --stderr-file) stderr_file=$2; shift 2 ;;
  --stdout-match) stdout_res+=("$2"); shift 2 ;;
  --stderr) stderr_res+=("$2"); shift 2 ;;
  --quiet) quiet=1; shift ;;
  --file) files+=("$2"); shift 2 ;;
  --no-files) no_files=1; shift ;;
  --no-temp) no_temp=1; shift ;;
  --keep) keeps+=("$2"); shift 2 ;;
  --seed) seeds+=("$2"); shift 2 ;;
  --stdin) stdin=$2; shift 2 ;;
  --render) renders+=("$2=$3"); shift 3 ;;
  --setup) setups+=("$2"); shift 2 ;;
  --after) afters+=("$2"); shift 2 ;;
  --fifo) fifos+=("$2"); shift 2 ;;
  --unwritable-dir) unwritable=1; shift ;;
  --interrupt) interrupt=$2; shift 2 ;;
  --memory-limit) memory_limit=$2; shift 2 ;;
  --) shift; break ;;
  *) echo "run_tool.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
if [[ -z $tool || -z $work ]]; then
  echo "run_tool.sh: --tool and --work are required" >&2
  exit 2
fi

rm -rf "$work"
mkdir -p "$work/dir"
out=$work/stdout err=$work/stderr
run_dir=$work/dir
kept_text="text that was here before the run"
for k in "${keeps[@]+"${keeps[@]}"}" "${seeds[@]+"${seeds[@]}"}"; do
  printf '%s\n' "$kept_text" >"$run_dir/$k"
done

for c in "${setups[@]+"${setups[@]}"}"; do
  (cd "$run_dir" && bash -c "$c") || { echo "run_tool.sh: setup failed: $c" >&2; exit 2; }
done
readers=()
for f in "${fifos[@]+"${fifos[@]}"}"; do
  mkfifo "$run_dir/${f%%=*}"
  cat "$run_dir/${f%%=*}" >"$work/fifo.${f%%=*}" &
  readers+=($!)
done
runner=()
if ((unwritable)); then
  if ((EUID == 0)); then
    chown -R nobody "$run_dir"
    runner=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  fi
  chmod a-w "$run_dir"
fi

# Run in a subshell of its own: it becomes the tool.
run() {
  cd "$run_dir" || exit 2
  if [[ -n $memory_limit ]]; then ulimit -v "$memory_limit" || exit 2; fi
  exec "${runner[@]+"${runner[@]}"}" "$tool" "$@" >"$out" 2>"$err"
}
if [[ -n $interrupt ]]; then
  # The tool prepares its output before it reads: it waits on the pipe with
  # the temporary file made.
  mkfifo "$work/stdin.pipe"
  run "$@" <"$work/stdin.pipe" &
  pid=$!
  exec 3>"$work/stdin.pipe"
  for ((i = 0; i < 200; i++)); do
    compgen -G "$run_dir/.*.??????" >/dev/null && break
    sleep 0.05
  done
  compgen -G "$run_dir/.*.??????" >/dev/null || fail "no temporary file appeared"
  kill -"$interrupt" "$pid"
  exec 3>&-
  wait "$pid"
  rc=$?
else
  (run "$@") <"$stdin"
  rc=$?
fi
chmod u+w "$run_dir"
for r in "${readers[@]+"${readers[@]}"}"; do wait "$r"; done

echo "mxlineage $*"
echo "exit status $rc"
if [[ -s $err ]]; then
  echo "--- standard error:"
  cat "$err"
fi

[[ $rc == "$status" ]] || fail "exit status $rc, expected $status"
if [[ -n $stdout_file ]]; then
  diff -u "$stdout_file" "$out" || fail "standard output differs from $stdout_file"
fi
if [[ -n $stderr_file ]]; then
  diff -u "$stderr_file" "$err" || fail "standard error differs from $stderr_file"
fi
for re in "${stdout_res[@]+"${stdout_res[@]}"}"; do
  grep -Eq -- "$re" "$out" || fail "standard output does not match: $re"
done
for re in "${stderr_res[@]+"${stderr_res[@]}"}"; do
  grep -Eq -- "$re" "$err" || fail "standard error does not match: $re"
done
if ((quiet)) && [[ -s $err ]]; then fail "standard error is not empty"; fi
for f in "${files[@]+"${files[@]}"}"; do
  name=${f%%=*} expected=${f#*=}
  if [[ ! -f $run_dir/$name ]]; then
    fail "$name was not written"
  else
    diff -u "$expected" "$run_dir/$name" || fail "$name differs from $expected"
  fi
done
if ((no_files)); then
  left=$(ls -A "$run_dir")
  [[ -z $left ]] || fail "files left behind: $left"
fi
if ((no_temp)); then
  left=$(cd "$run_dir" && compgen -G ".*.??????")
  [[ -z $left ]] || fail "temporary files left behind: $left"
fi
for f in "${fifos[@]+"${fifos[@]}"}"; do
  name=${f%%=*} expected=${f#*=}
  [[ -p $run_dir/$name ]] || fail "$name is no longer a FIFO"
  diff -u "$expected" "$work/fifo.$name" || fail "the reader of $name got other text than $expected"
done
for c in "${afters[@]+"${afters[@]}"}"; do
  (cd "$run_dir" && bash -c "$c") || fail "afterwards, this does not hold: $c"
done
for k in "${keeps[@]+"${keeps[@]}"}"; do
  if [[ "$(cat "$run_dir/$k" 2>/dev/null)" != "$kept_text" ]]; then fail "$k was changed"; fi
  left=$(ls -A "$run_dir" | grep -vxF "$k")
  [[ -z $left ]] || fail "files left beside $k: $left"
done
for r in "${renders[@]+"${renders[@]}"}"; do
  dot=${r%%=*} name=${r#*=}
  if ! "$dot" -Tsvg "$run_dir/$name" -o "$run_dir/$name.svg" 2>"$work/dot.err"; then
    fail "$dot refused $name: $(cat "$work/dot.err")"
  elif [[ -s $work/dot.err ]]; then
    fail "$dot complained about $name: $(cat "$work/dot.err")"
  elif ! grep -q '<svg' "$run_dir/$name.svg"; then
    fail "$dot wrote no SVG for $name"
  fi
done
exit $failed
