#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a short fixed time with a fixed seed
# on its committed corpus; fails on the first crash, leak, hang or broken invariant.
# FUZZ_SECONDS changes the time per target (the recorded long runs use 600).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
cmake --preset fuzz
cmake --build --preset fuzz -j2

# Leaks inside Qt's system libraries are listed there, each with its reason.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
for corpus in fuzz/corpus/*/; do
  name="$(basename "$corpus")"
  target="build/fuzz/fuzz/${name}_fuzz"
  # New inputs go to a scratch folder listed first, so the committed corpus stays as it is.
  scratch="$(mktemp -d)"
  dict=()
  [ -f "fuzz/${name}.dict" ] && dict=(-dict="fuzz/${name}.dict")
  echo "fuzz-smoke: ${name} for ${seconds} s"
  if ! "$target" -seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/${name}-" "${dict[@]}" "$scratch" "$corpus" \
      >"$artifacts/${name}.log" 2>&1; then
    tail -n 40 "$artifacts/${name}.log"
    rm -rf "$scratch"
    echo "fuzz-smoke: ${name} FAILED (log and crashing input in $artifacts)" >&2
    exit 1
  fi
  # The last status line carries the coverage (cov) and feature (ft) counts.
  grep -E '^#[0-9]+' "$artifacts/${name}.log" | tail -n 1
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$artifacts/${name}.log"
  rm -rf "$scratch"
done
echo "fuzz-smoke: all targets clean"
