#!/usr/bin/env bash
# Writes a synthetic lineage history to standard output, for measuring
# mxlineage on large inputs:
#
#   generate_history.sh [LINES [POOL [SEED]]]
#
# LINES (default 1000000) lines in all. The model starts with POOL (default
# 50000) objects that exist before the history; every line then changes one
# or two of the live objects: modification 35 %, split 15 %, absorption 15 %,
# creation from a live object 10 %, creation from nothing 2.5 %, deletion
# 12.5 %, a name line 1 %, and a separator every 1000 lines (an operation).
# The pool stays about the same size, so the lineage of an object grows about
# LINES / POOL steps deep. The same arguments give the same history.
set -euo pipefail
lines=${1:-1000000}
pool=${2:-50000}
seed=${3:-1}

awk -v lines="$lines" -v pool="$pool" -v seed="$seed" '
function pick(   i) { i = int(rand() * n) + 1; return i }
function take(i,   o) { o = live[i]; live[i] = live[n]; delete live[n]; n--; return o }
function fresh() { return "o" (++made) }
BEGIN {
  srand(seed)
  for (n = 0; n < pool; ) live[++n] = "i" n
  made = 0
  last_named = 0
  out = 0
  print "# synthetic history: " lines " lines, " pool " initial objects, seed " seed; out++
  while (out < lines) {
    if (out % 1000 == 999) { print "separator"; out++; continue }
    r = rand()
    if (n < 2) r = 0.9   # keep the pool alive
    if (r < 0.35) {
      o = take(pick()); t = fresh(); live[++n] = t
      print "MODIFICATION " o " -> " t
    } else if (r < 0.50) {
      o = take(pick()); a = fresh(); b = fresh(); live[++n] = a; live[++n] = b
      print "SPLIT " o " -> " a " " b
    } else if (r < 0.65) {
      a = take(pick()); b = take(pick()); t = fresh(); live[++n] = t
      print "ABSORPTION " a " " b " -> " t
    } else if (r < 0.75) {
      o = live[pick()]; t = fresh(); live[++n] = t
      print "CREATION " o " -> " t
    } else if (r < 0.775) {
      t = fresh(); live[++n] = t
      print "CREATION -> " t
    } else if (r < 0.90) {
      o = take(pick())
      print "DELETION " o " ->"
    } else if (r < 0.91 && made > last_named) {
      print "name o" made " \"object made on line " out "\""
      last_named = made
    } else {
      o = take(pick()); t = fresh(); live[++n] = t
      print "MODIFICATION " o " -> " t
    }
    out++
  }
}'
