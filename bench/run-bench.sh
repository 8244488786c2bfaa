#!/usr/bin/env bash
# Benchmarks sievra-cli against awk one-liners, `LC_ALL=C sort -u` and the
# floor (reading the input once plus copying a file the size of the output), on
# the same generated files, interleaved: median wall time, MB/s, peak memory,
# and each tool's time over sievra's as the median of the per-round ratios.
#   bench/run-bench.sh [--reps N] [--data DIR] [--quick] [--only REGEX] [--vs BINARY] [--no-peers]
# --quick: 1M-line files only. --only: cases whose label matches. --vs: an
# other sievra-cli build run as one more tool, for A/B of a change;
# --no-peers leaves out awk, sort and the floor (an A/B alone).
# awk outputs are compared byte for byte with sievra's.
set -euo pipefail
cd "$(dirname "$0")/.."

reps=5
data=${TMPDIR:-/tmp}/sievra-bench-data
quick=0
only=.
vs=
peers=1
while [ $# -gt 0 ]; do
  case "$1" in
    --reps) reps=$2; shift 2 ;;
    --data) data=$2; shift 2 ;;
    --quick) quick=1; shift ;;
    --only) only=$2; shift 2 ;;
    --vs) vs=$(realpath "$2"); shift 2 ;;
    --no-peers) peers=0; shift ;;
    *) echo "usage: $0 [--reps N] [--data DIR] [--quick] [--only REGEX] [--vs BINARY] [--no-peers]" >&2
       exit 2 ;;
  esac
done

scripts/install-deps.sh bench
cmake --preset release >/dev/null
cmake --build --preset release --target sievra-cli sievra-gen >/dev/null
bin=$PWD/build/release/bench
cli=$PWD/build/release/cli/sievra-cli
mkdir -p "$data"

gen() {  # name, then sievra-gen arguments
  local name=$1; shift
  [ -s "$data/$name" ] || "$bin/sievra-gen" "$@" --seed 42 --out "$data/$name"
}
identical() {  # name lines: 20-byte lines (18 characters and CR LF), all the same
  [ -s "$data/$1" ] || { (yes $'identical line 001\r' || true) | head -n "$2" > "$data/$1"; }
}

payload_awk='i=index($0,":") { p=substr($0,i+1); if (!(p in s)) { s[p]=1; print } }'
target_awk='toupper(substr($0,1,6))=="N0CALL" { i=index($0,":"); p=substr($0,i+1); if (!(p in s)) { s[p]=1; print } }'
export IN OUT   # what the tool commands below read
floor='cat "$IN" >/dev/null; rm -f "$OUT.floor"; cp "$OUT" "$OUT.floor"'

# One measurement: prints "wall_seconds peak_kb cpu_seconds".
measure() {
  /usr/bin/time -f "%e %M %U %S" -o "$data/.time" bash -c "$1" > "$2"
  awk '{printf "%s %s %.2f\n", $1, $2, $3 + $4}' "$data/.time"
}

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "reps=$reps, $(nproc) cores, $(date -u +%F)"
printf '| case | tool | median s | MB/s | peak MB | time / sievra | CPU s | CPU / sievra |\n'
printf '|---|---|---:|---:|---:|---:|---:|---:|\n'

# run_case LABEL FILE "SIEVRA ARGS" [NAME COMMAND ...]; commands read "$IN", print the output.
run_case() {
  local label=$1 file=$2 args=$3
  shift 3
  [[ $label =~ $only ]] || return 0
  IN=$data/$file
  OUT=$data/out-sievra.txt
  local names=(sievra) cmds=("\"$cli\" --quiet \"\$IN\" -o \"\$OUT\" $args")
  [ -n "$vs" ] && names+=(vs) cmds+=("\"$vs\" --quiet \"\$IN\" -o \"\$OUT.vs\" $args")
  while [ $peers -eq 1 ] && [ $# -gt 0 ]; do names+=("$1"); cmds+=("$2"); shift 2; done
  local size_mb
  size_mb=$(awk -v b="$(stat -L -c %s "$IN")" 'BEGIN {printf "%.1f", b / 1e6}')
  declare -A walls mems cpus
  local r j k n=${#names[@]} t wall mem cpu
  for ((r = 0; r < reps; r++)); do
    # Interleaved, so that a change of load hits every tool alike, and each
    # round starts with the next tool: the run after the peers meets the memory
    # they freed (gawk: 2.5-3.6 GB) handed back to the host, and pays for it
    # (distinct 10M: 0.89x for the same engine run second).
    for ((j = 0; j < n; j++)); do
      k=$(((r + j) % n))
      t=$(measure "${cmds[k]}" "$data/out-${names[k]}.stdout")
      case ${names[k]} in
        *awk) cmp -s "$data/out-${names[k]}.stdout" "$OUT" ||
          { echo "${names[k]}'s output differs from sievra's on $label" >&2; exit 1; } ;;
        vs) cmp -s "$OUT.vs" "$OUT" || { echo "vs output differs on $label" >&2; exit 1; } ;;
      esac
      read -r wall mem cpu <<< "$t"
      walls[$k]+="$wall "
      cpus[$k]+="$cpu "
      mems[$k]=$mem
    done
  done
  # A tool's ratio to sievra: the median of the rounds' ratios.
  ratio_median() {  # this tool's values, sievra's values
    paste <(tr ' ' '\n' <<< "$1" | grep .) <(tr ' ' '\n' <<< "$2" | grep .) |
      awk '{print $1 / ($2 > 0 ? $2 : 0.01)}' | median
  }
  local m q c cq
  for k in "${!names[@]}"; do
    m=$(tr ' ' '\n' <<< "${walls[$k]}" | grep . | median)
    q=$(ratio_median "${walls[$k]}" "${walls[0]}")
    c=$(tr ' ' '\n' <<< "${cpus[$k]}" | grep . | median)
    cq=$(ratio_median "${cpus[$k]}" "${cpus[0]}")
    awk -v l="$label" -v n="${names[k]}" -v m="$m" -v s="$size_mb" -v kb="${mems[$k]}" -v q="$q" \
      -v c="$c" -v cq="$cq" 'BEGIN {printf "| %s | %s | %.2f | %.0f | %.0f | %.2f | %.2f | %.2f |\n",
        l, n, m, s / (m > 0 ? m : 0.01), kb / 1024, q, c, cq}'
  done
  rm -f "$data"/out-*
}

gen text-1m.txt --text --lines 1000000
gen packet-1m.txt --packet --lines 1000000
run_case "text 1m" text-1m.txt --text gawk "gawk '!s[\$0]++' \"\$IN\"" \
  "sort -u" "LC_ALL=C sort -u \"\$IN\"" floor "$floor"
run_case "packet 1m, no callsign" packet-1m.txt --packet gawk "gawk '$payload_awk' \"\$IN\""
run_case "packet 1m, N0CALL" packet-1m.txt "--packet --call N0CALL" mawk "mawk '$target_awk' \"\$IN\""
[ $quick -eq 1 ] && exit 0

gen text-10m.txt --text --lines 10000000
gen packet-10m.txt --packet --lines 10000000
gen distinct-10m.txt --text --lines 10000000 --dup-share 0
gen long-lines.txt --text --lines 10000 --length 10000-100000
identical identical-20m.txt 20000000
identical identical-100m.txt 100000000
run_case "text 10m" text-10m.txt --text gawk "gawk '!s[\$0]++' \"\$IN\"" \
  "sort -u" "LC_ALL=C sort -u \"\$IN\"" floor "$floor"
run_case "packet 10m, no callsign" packet-10m.txt --packet gawk "gawk '$payload_awk' \"\$IN\"" \
  floor "$floor"
run_case "packet 10m, N0CALL" packet-10m.txt "--packet --call N0CALL" \
  mawk "mawk '$target_awk' \"\$IN\"" floor "$floor"
# The same frames with a time stamp before each line, against their unprefixed
# twin in the same interleaved rounds: the cost of passing over the prefix.
gen packet-10m-stamped.txt --packet --lines 10000000 --prefix stamp
run_case "packet 10m stamped, no callsign" packet-10m-stamped.txt --packet \
  unprefixed "\"$cli\" --quiet --packet \"$data/packet-10m.txt\" -o \"\$OUT.plain\""
run_case "packet 10m stamped, N0CALL" packet-10m-stamped.txt "--packet --call N0CALL" \
  unprefixed "\"$cli\" --quiet --packet --call N0CALL \"$data/packet-10m.txt\" -o \"\$OUT.plain\""
run_case "distinct 10m" distinct-10m.txt --text gawk "gawk '!s[\$0]++' \"\$IN\"" floor "$floor"
run_case "long lines 10-100 KB" long-lines.txt --text gawk "gawk '!s[\$0]++' \"\$IN\"" \
  floor "$floor"
run_case "identical 20m" identical-20m.txt --text gawk "gawk '!s[\$0]++' \"\$IN\"" \
  floor "$floor"
run_case "identical 100m" identical-100m.txt --text gawk "gawk '!s[\$0]++' \"\$IN\"" \
  floor "$floor"
