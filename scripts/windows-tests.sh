#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and runs them under Wine, in a fresh
# Wine prefix inside a temporary folder and without a display: every test program,
# then acceptance runs of the benchmark driver checked byte for byte. Any failure
# fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
step() { echo "windows-tests: $* ($((SECONDS - started)) s)"; }

cmake --preset windows-cross
cmake --build --preset windows-cross --parallel 2
step "built"

scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here is .NET or HTML, and asking for them needs a display.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

wineboot --init
step "Wine prefix ready"

ctest --preset windows-cross
step "test programs passed"

bin=build/windows-cross/bench
work="$scratch/work"
mkdir -p "$work"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Runs sievra-bench.exe on IN into OUT with the remaining options and checks
# that it completed with the given counts and wrote exactly EXPECTED.
accept() {
  local name=$1 in=$2 out=$3 counts=$4 expected=$5
  shift 5
  local report
  report=$(wine "$bin/sievra-bench.exe" --input "$(winpath "$in")" --output "$(winpath "$out")" "$@" |
    tr -d '\r')
  if [[ "$report" != "$counts ms="* ]]; then
    echo "windows-tests: $name: expected '$counts', got '$report'" >&2
    return 1
  fi
  if ! cmp -s "$out" <(printf '%b' "$expected"); then
    echo "windows-tests: $name: output differs:" >&2
    cmp "$out" <(printf '%b' "$expected") >&2 || true
    od -c "$out" | head -20 >&2
    return 1
  fi
  echo "windows-tests: $name: ok ($report)"
}

printf 'b\r\na\r\nb\r\n\r\nc\ra\r\n\r\n' >"$work/text.txt"
accept "text run" "$work/text.txt" "$work/text-out.txt" "read=7 kept=4" 'b\r\na\r\n\r\nc\r\n' --text

printf '%s\r\n' 'N0CALL>APRS,WIDE1-1,WIDE2-1:hello' 'n0call-9>APRS,RELAY*:hello' \
  'K1ABC>APRS:hello' 'N0CALL>APRS:world' 'N0CALL>APRS,WIDE2-2:world' 'n0call>BEACON,WIDE1-1:bye' \
  >"$work/packet.txt"
accept "packet run with target and path cut" "$work/packet.txt" "$work/packet-out.txt" \
  "read=6 kept=3" 'N0CALL>APRS:hello\r\nN0CALL>APRS:world\r\nn0call>BEACON:bye\r\n' \
  --packet --call n0call --strip

# An existing output is replaced whole, and so is the input when chosen as output.
printf 'x%.0s' {1..5000} >"$work/text-out.txt"
accept "existing output replaced" "$work/text.txt" "$work/text-out.txt" "read=7 kept=4" \
  'b\r\na\r\n\r\nc\r\n' --text
accept "input replaced by its own distinct lines" "$work/text.txt" "$work/text.txt" \
  "read=7 kept=4" 'b\r\na\r\n\r\nc\r\n' --text
if [ "$(find "$work" -name '*.tmp' | wc -l)" -ne 0 ]; then
  echo "windows-tests: temporary files left behind: $(find "$work" -name '*.tmp')" >&2
  exit 1
fi

# A missing input is a message and a failed exit, and the old output stays.
if wine "$bin/sievra-bench.exe" --input "$(winpath "$work/missing.txt")" \
  --output "$(winpath "$work/text-out.txt")" --text >/dev/null 2>"$work/stderr.txt"; then
  echo "windows-tests: a missing input was reported as success" >&2
  exit 1
fi
grep -q "message: Cannot read the input file" "$work/stderr.txt"
cmp "$work/text-out.txt" <(printf 'b\r\na\r\n\r\nc\r\n')
echo "windows-tests: missing input: ok ($(tr -d '\r' <"$work/stderr.txt"))"

# The same generated log must give the same bytes on Windows as natively.
native=build/dev/bench
if [ -x "$native/sievra-bench" ] && [ -x "$native/sievra-gen" ]; then
  "$native/sievra-gen" --packet --lines 200000 --seed 7 --out "$work/big.txt"
  wine "$bin/sievra-gen.exe" --packet --lines 200000 --seed 7 --out "$(winpath "$work/big-win.txt")"
  cmp "$work/big.txt" "$work/big-win.txt"
  for mode in "--text" "--packet --call N0CALL --strip" "--packet"; do
    # shellcheck disable=SC2086 # the mode holds several options
    want=$("$native/sievra-bench" --input "$work/big.txt" --output "$work/big-linux.out" $mode)
    # shellcheck disable=SC2086
    got=$(wine "$bin/sievra-bench.exe" --input "$(winpath "$work/big.txt")" \
      --output "$(winpath "$work/big-win.out")" $mode | tr -d '\r')
    if [ "${want% ms=*}" != "${got% ms=*}" ] || ! cmp "$work/big-linux.out" "$work/big-win.out"; then
      echo "windows-tests: $mode: Windows gave '$got', Linux '$want'" >&2
      exit 1
    fi
    echo "windows-tests: generated log $mode: same bytes as Linux (${got% ms=*})"
  done
else
  echo "windows-tests: no native build in build/dev: comparison with Linux skipped"
fi
step "acceptance runs passed"
