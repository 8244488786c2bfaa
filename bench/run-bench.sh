#!/usr/bin/env bash
# Benchmarks sievra-cli against awk one-liners that do the same job, on the
# same generated files, in one run: median wall time, MB/s, peak memory, ratios.
#   bench/run-bench.sh [--reps N] [--data DIR] [--quick]
# --quick uses 1M-line files only. Output files are compared byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."

reps=5
data=${TMPDIR:-/tmp}/sievra-bench-data
quick=0
while [ $# -gt 0 ]; do
  case "$1" in
    --reps) reps=$2; shift 2 ;;
    --data) data=$2; shift 2 ;;
    --quick) quick=1; shift ;;
    *) echo "usage: $0 [--reps N] [--data DIR] [--quick]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh bench
cmake --preset release >/dev/null
cmake --build --preset release --target sievra-cli sievra-gen >/dev/null
bin=build/release/bench
mkdir -p "$data"

gen() {  # kind lines name
  [ -s "$data/$3" ] || "$bin/sievra-gen" "--$1" --lines "$2" --seed 42 --out "$data/$3"
}
gen text 1000000 text-1m.txt
gen packet 1000000 packet-1m.txt
if [ $quick -eq 0 ]; then
  gen text 10000000 text-10m.txt
  gen packet 10000000 packet-10m.txt
fi

payload_awk='i=index($0,":") { p=substr($0,i+1); if (!(p in s)) { s[p]=1; print } }'
target_awk='toupper(substr($0,1,6))=="N0CALL" { i=index($0,":"); p=substr($0,i+1); if (!(p in s)) { s[p]=1; print } }'

# One measurement: prints "wall_seconds peak_kb"; the command's stdout goes to $out.
measure() {
  local out=$1; shift
  /usr/bin/time -f "%e %M" -o "$data/.time" "$@" > "$out"
  cat "$data/.time"
}

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "reps=$reps, $(nproc) cores, $(date -u +%F)"
printf '| case | tool | median s | MB/s | peak MB | time / sievra |\n|---|---|---:|---:|---:|---:|\n'

# run_case LABEL FILE "SIEVRA ARGS" AWK PROGRAM [AWK PROGRAM ...]
run_case() {
  local label=$1 file=$2 args=$3
  shift 3
  local names=(sievra) progs=("")
  while [ $# -gt 0 ]; do names+=("$1"); progs+=("$2"); shift 2; done
  local size_mb
  size_mb=$(awk -v b="$(stat -c %s "$data/$file")" 'BEGIN {printf "%.1f", b / 1e6}')
  declare -A walls mems
  local r k t
  for ((r = 0; r < reps; r++)); do  # interleaved, so a change of load hits every tool alike
    for k in "${!names[@]}"; do
      if [ "$k" -eq 0 ]; then
        # shellcheck disable=SC2086 # args are separate words on purpose
        t=$(measure /dev/null build/release/cli/sievra-cli --quiet "$data/$file" \
              -o "$data/out-sievra.txt" $args)
      else
        t=$(measure "$data/out-${names[k]}.txt" "${names[k]}" "${progs[k]}" "$data/$file")
        cmp -s "$data/out-${names[k]}.txt" "$data/out-sievra.txt" ||
          { echo "${names[k]}'s output differs from sievra's on $label" >&2; exit 1; }
      fi
      walls[$k]+="${t% *} "
      mems[$k]=${t#* }
    done
  done
  local base m
  base=$(tr ' ' '\n' <<< "${walls[0]}" | grep . | median)
  for k in "${!names[@]}"; do
    m=$(tr ' ' '\n' <<< "${walls[$k]}" | grep . | median)
    awk -v l="$label" -v n="${names[k]}" -v m="$m" -v s="$size_mb" -v kb="${mems[$k]}" -v b="$base" \
      'BEGIN {printf "| %s | %s | %.2f | %.0f | %.0f | %.1f |\n", l, n, m, s / m, kb / 1024, m / b}'
  done
}

for size in 1m 10m; do
  [ $quick -eq 1 ] && [ $size = 10m ] && continue
  run_case "text $size" "text-$size.txt" --text mawk '!s[$0]++' gawk '!s[$0]++'
  run_case "packet $size, no callsign" "packet-$size.txt" --packet gawk "$payload_awk"
  run_case "packet $size, N0CALL" "packet-$size.txt" "--packet --call N0CALL" mawk "$target_awk"
done
rm -f "$data"/out-*.txt "$data/.time"
