#!/usr/bin/env bash
# A/B of sievra-cli builds on one input, interleaved round by round (each
# round starting with the next build) so that a change of load hits every
# build alike: medians of wall, user and system time, peak RSS and page faults
# (major, minor), and each build's wall and user time over the first's (median
# of the per-round ratios). Outputs must match, unless --differ: then the
# "builds" are one build with different options (NAME="sievra-cli --keep last"),
# whose outputs differ by design.
#   bench/ab.sh [--reps N] [--idle S] [--differ] INPUT "SIEVRA ARGS" NAME=BINARY...
# A BINARY may carry a prefix command: NAME="taskset -c 0 build/x/sievra-cli".
# --idle S sleeps S seconds before every run: memory freed that long ago is
# handed back to the host on these VMs (free page reporting), and a run after
# idle time meets it fresh again, as a user's first run of the day does.
set -euo pipefail
reps=5
idle=0
differ=0
while [ $# -gt 0 ]; do
  case "$1" in
    --reps) reps=$2; shift 2 ;;
    --idle) idle=$2; shift 2 ;;
    --differ) differ=1; shift ;;
    *) break ;;
  esac
done
[ $# -ge 3 ] || { echo "usage: $0 [--reps N] INPUT \"SIEVRA ARGS\" NAME=BINARY..." >&2; exit 2; }
in=$1 args=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
names=() bins=()
for nb in "$@"; do names+=("${nb%%=*}"); bins+=("${nb#*=}"); done

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); $(date -u +%T)"
for ((r = 0; r < reps; r++)); do
  # Each round starts with the next build, and every output goes as soon as it
  # is checked: a run right after another, or beside its 600 MB output still in
  # the file cache, took 10-20% longer (an A/A of one build: 1.15).
  for ((j = 0; j < ${#names[@]}; j++)); do
    k=$(((r + j) % ${#names[@]}))
    sleep "$idle"
    # shellcheck disable=SC2086  # the binary and the arguments are word lists
    /usr/bin/time -f '%e %U %S %M %F %R' -o "$tmp/t" ${bins[k]} --quiet "$in" -o "$tmp/out" $args
    cat "$tmp/t" >> "$tmp/times$k"
    if [ $differ -eq 1 ]; then
      rm -f "$tmp/out"
    elif [ ! -e "$tmp/ref" ]; then
      mv "$tmp/out" "$tmp/ref" && refname=${names[k]}
    else
      cmp -s "$tmp/ref" "$tmp/out" ||
        { echo "${names[k]}'s output differs from $refname's" >&2; exit 1; }
      rm -f "$tmp/out"
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg); $(date -u +%T); $reps rounds"
printf '| build | wall s | user s | sys s | peak MB | major faults | minor faults | wall / %s | user / %s |\n' \
  "${names[0]}" "${names[0]}"
printf '|---|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for k in "${!names[@]}"; do
  col() { awk -v c="$1" '{print $c}' "$tmp/times$k" | median; }
  ratio() { paste "$tmp/times$k" "$tmp/times0" | awk -v c="$1" '{print $c / ($(c + 6) > 0 ? $(c + 6) : 0.01)}' | median; }
  printf '| %s | %.2f | %.2f | %.2f | %.0f | %s | %s | %.2f | %.2f |\n' "${names[k]}" \
    "$(col 1)" "$(col 2)" "$(col 3)" "$(awk "BEGIN {print $(col 4) / 1024}")" "$(col 5)" "$(col 6)" \
    "$(ratio 1)" "$(ratio 2)"
done
