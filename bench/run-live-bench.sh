#!/usr/bin/env bash
# Live logs: how soon a line written to a pipe or to a followed file reaches
# the output, what streaming through a pipe costs against reading the same
# file, and a followed log's memory over a day of a busy channel.
#   bench/run-live-bench.sh [--reps N] [--data DIR] [--cli BINARY]
# --cli runs another sievra-cli (a Windows build under Wine, say) for the
# latency rows; the other rows need a native build.
set -euo pipefail
cd "$(dirname "$0")/.."

reps=5
data=${TMPDIR:-/tmp}/sievra-bench-data
cli=
while [ $# -gt 0 ]; do
  case "$1" in
    --reps) reps=$2; shift 2 ;;
    --data) data=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    *) echo "usage: $0 [--reps N] [--data DIR] [--cli BINARY]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh bench
cmake --preset release >/dev/null
cmake --build --preset release --target sievra-cli sievra-gen >/dev/null
bin=$PWD/build/release/bench
[ -n "$cli" ] || cli=$PWD/build/release/cli/sievra-cli
mkdir -p "$data"
tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
now() { date +%s.%N; }

# Latency: a line written, then the time until the output holds it; 10 lines,
# 300 ms apart (so that each meets a quiet input), median and worst in ms.
latency() {  # label, then what to start (reads $tmp/in, writes $tmp/out), then how to feed: pipe|file
  local label=$1 feed=$3 times=()
  : > "$tmp/out"
  rm -f "$tmp/in"
  if [ "$feed" = pipe ]; then
    mkfifo "$tmp/in"
    bash -c "exec $2" &
    exec 3> "$tmp/in"
  else
    : > "$tmp/in"
    bash -c "exec $2" &
  fi
  local pid=$!
  sleep 0.5
  for i in $(seq 1 10); do
    local t0 t1
    t0=$(now)
    if [ "$feed" = pipe ]; then echo "line $i" >&3; else echo "line $i" >> "$tmp/in"; fi
    until grep -q "^line $i" "$tmp/out" 2>/dev/null; do sleep 0.005; done
    t1=$(now)
    times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.0f", (b - a) * 1000}')")
    sleep 0.3
  done
  [ "$feed" = pipe ] && exec 3>&-
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  printf '| %s | %s | %s |\n' "$label" "$(printf '%s\n' "${times[@]}" | median)" \
    "$(printf '%s\n' "${times[@]}" | sort -g | tail -1)"
}

echo "reps=$reps, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $(date -u +%F)"
echo
echo '| latency | median ms | worst ms |'
echo '|---|---:|---:|'
latency "pipe to standard output" "\"$cli\" --text --lf - < \"$tmp/in\" > \"$tmp/out\"" pipe
latency "followed file to output file" \
  "\"$cli\" --text --lf --follow \"$tmp/in\" -o \"$tmp/out\" 2>/dev/null" file
[ "$cli" = "$PWD/build/release/cli/sievra-cli" ] || exit 0

# Streaming: the packet log through a pipe against the same file read
# directly, both to standard output, interleaved; the median of the ratios.
[ -s "$data/packet-10m.txt" ] ||
  "$bin/sievra-gen" --packet --lines 10000000 --seed 42 --out "$data/packet-10m.txt"
echo
echo '| 10M frames, keep first | median s | peak MB | time / file |'
echo '|---|---:|---:|---:|'
declare -a file_s pipe_s
for ((r = 0; r < reps; r++)); do
  /usr/bin/time -f '%e %M' -o "$tmp/t1" "$cli" --packet "$data/packet-10m.txt" > "$tmp/o1"
  /usr/bin/time -f '%e %M' -o "$tmp/t2" bash -c "cat \"$data/packet-10m.txt\" | \"$cli\" --packet -" > "$tmp/o2"
  cmp -s "$tmp/o1" "$tmp/o2" || { echo "the piped output differs" >&2; exit 1; }
  file_s+=("$(cat "$tmp/t1")") pipe_s+=("$(cat "$tmp/t2")")
done
col() { printf '%s\n' "$@" | awk -v c="$col" '{print $c}' | median; }
col=1; fs=$(col "${file_s[@]}"); ps=$(col "${pipe_s[@]}")
col=2; fm=$(col "${file_s[@]}"); pm=$(col "${pipe_s[@]}")
ratio=$(paste <(printf '%s\n' "${pipe_s[@]}" | awk '{print $1}') <(printf '%s\n' "${file_s[@]}" | awk '{print $1}') |
  awk '{print $1 / $2}' | median)
printf '| file read directly | %s | %.0f | 1.00 |\n' "$fs" "$(awk "BEGIN {print $fm / 1024}")"
printf '| through a pipe | %s | %.0f | %.2f |\n' "$ps" "$(awk "BEGIN {print $pm / 1024}")" "$ratio"
rm -f "$tmp/o1" "$tmp/o2"

# A day of a busy channel: 2M stamped frames (23 a second, copies within
# seconds) appended at speed to a followed log with a 30 s window; the
# follower's resident memory as the day goes by.
day=$data/day-2m.txt
[ -s "$day" ] || "$bin/sievra-gen" --packet --lines 2000000 --prefix stamp --per-second 23 \
  --seed 7 --out "$day"
: > "$tmp/log"
"$cli" --packet --window 30 --follow "$tmp/log" -o "$tmp/out" 2>/dev/null &
pid=$!
lines=$(wc -l < "$day")
echo
echo '| share of the day appended | lines kept | resident MB | peak MB |'
echo '|---:|---:|---:|---:|'
done_lines=0
for share in 10 20 30 40 50 60 70 80 90 100; do
  upto=$((lines * share / 100))
  sed -n "$((done_lines + 1)),${upto}p" "$day" >> "$tmp/log"
  done_lines=$upto
  # Caught up once the output stops growing for a moment.
  prev=-1
  while :; do
    sleep 0.5
    size=$(stat -c %s "$tmp/out")
    [ "$size" = "$prev" ] && break
    prev=$size
  done
  case $share in 10 | 50 | 100)
    printf '| %s%% | %s | %.0f | %.0f |\n' "$share" "$(wc -l < "$tmp/out")" \
      "$(awk '/VmRSS/ {print $2 / 1024}' "/proc/$pid/status")" \
      "$(awk '/VmHWM/ {print $2 / 1024}' "/proc/$pid/status")" ;;
  esac
done
kill -INT "$pid"
wait "$pid" || true
