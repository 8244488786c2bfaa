#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and runs them under Wine, in a fresh
# Wine prefix inside a temporary folder and without a display: every test program,
# then acceptance runs of sievra-cli checked byte for byte. Any failure
# fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
step() { echo "windows-tests: $* ($((SECONDS - started)) s)"; }

cmake --preset windows-cross
cmake --build --preset windows-cross --parallel 2
step "built"

source scripts/lib/wine.sh
wine_scratch
# The window tests create their windows in-process with Wine's null graphics
# driver: no display needed.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
end_wine_session
step "Wine prefix ready"

ctest --preset windows-cross
step "test programs passed"

# The real window on a virtual X server, driven like a user; then the release.
wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null
end_wine_session
scripts/windows-smoke.sh "$scratch/screenshots"
step "smoke run of Sievra.exe passed"
(unset WINEPREFIX && scripts/check-windows-release.sh "$scratch/release")
step "release checked"

cli=build/windows-cross/cli/sievra-cli.exe
work="$scratch/work"
mkdir -p "$work"

# Runs sievra-cli.exe on IN into OUT with the remaining options and checks that it
# completed with the given summary and wrote exactly EXPECTED.
accept() {
  local name=$1 in=$2 out=$3 summary=$4 expected=$5
  shift 5
  local report
  report=$(wine "$cli" --stats "$(winpath "$in")" -o "$(winpath "$out")" "$@" 2>&1 >/dev/null |
    tr -d '\r')
  if [[ "$report" != "sievra-cli: $summary in "* ]]; then
    echo "windows-tests: $name: expected '$summary', got '$report'" >&2
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

text_summary="Read 7 lines; kept 4; removed 3 duplicates"
printf 'b\r\na\r\nb\r\n\r\nc\ra\r\n\r\n' >"$work/text.txt"
accept "text run" "$work/text.txt" "$work/text-out.txt" "$text_summary" 'b\r\na\r\n\r\nc\r\n'

printf '%s\r\n' 'N0CALL>APRS,WIDE1-1,WIDE2-1:hello' 'n0call-9>APRS,RELAY*:hello' \
  'K1ABC>APRS:hello' 'N0CALL>APRS:world' 'N0CALL>APRS,WIDE2-2:world' 'n0call>BEACON,WIDE1-1:bye' \
  >"$work/packet.txt"
accept "packet run with target and path cut" "$work/packet.txt" "$work/packet-out.txt" \
  "Read 6 lines; kept 3; removed 2 duplicates; skipped 1 line not from N0CALL" \
  'N0CALL>APRS:hello\r\nN0CALL>APRS:world\r\nn0call>BEACON:bye\r\n' \
  --packet --call n0call --strip

# An existing output is replaced whole, and so is the input when chosen as output.
printf 'x%.0s' {1..5000} >"$work/text-out.txt"
accept "existing output replaced" "$work/text.txt" "$work/text-out.txt" "$text_summary" \
  'b\r\na\r\n\r\nc\r\n'
cp "$work/text.txt" "$work/self.txt"
accept "input replaced by its own distinct lines" "$work/self.txt" "$work/self.txt" \
  "$text_summary" 'b\r\na\r\n\r\nc\r\n'
# A path outside the ANSI code page arrives intact through the UTF-16 command line.
cp "$work/text.txt" "$work/données ĉ 日本.txt"
LC_ALL=C.UTF-8 accept "non-ASCII file names" "$work/données ĉ 日本.txt" "$work/sortie ĉ 日本.txt" \
  "$text_summary" 'b\na\n\nc\n' --lf
if [ "$(find "$work" -name '*.tmp' | wc -l)" -ne 0 ]; then
  echo "windows-tests: temporary files left behind: $(find "$work" -name '*.tmp')" >&2
  exit 1
fi

# Standard input to standard output: bytes as they are, no CR LF translation.
got=$(printf 'a\r\nb\ra\r' | wine "$cli" --lf | od -An -c | tr -s ' ')
[ "$got" = " a \n b \n" ] || { echo "windows-tests: pipe run gave '$got'" >&2; exit 1; }
echo "windows-tests: standard input to standard output: ok"

# A missing input is one message and exit status 2, and the old output stays.
status=0
wine "$cli" "$(winpath "$work/missing.txt")" -o "$(winpath "$work/text-out.txt")" \
  >/dev/null 2>"$work/stderr.txt" || status=$?
if [ $status -ne 2 ]; then
  echo "windows-tests: a missing input gave exit status $status" >&2
  exit 1
fi
grep -q "^sievra-cli: Cannot read the input file" "$work/stderr.txt"
cmp "$work/text-out.txt" <(printf 'b\r\na\r\n\r\nc\r\n')
echo "windows-tests: missing input: ok ($(tr -d '\r' <"$work/stderr.txt"))"

# Ctrl-C mid-run: Wine turns SIGINT into the console's Ctrl-C event. Input comes
# slowly through a pipe for up to a minute, so the run is surely still going.
printf 'old\r\n' >"$work/kept.txt"
feed() { for ((i = 0; i < 1200; i++)); do seq $((i * 1000)) $((i * 1000 + 999)) || return; sleep 0.05; done; }
feed 2>/dev/null | wine "$cli" -o "$(winpath "$work/kept.txt")" 2>"$work/stderr.txt" &
cli_pid=$!
sleep 5
kill -INT "$cli_pid"
status=0
wait "$cli_pid" || status=$?
if [ $status -ne 130 ] || ! cmp -s "$work/kept.txt" <(printf 'old\r\n') ||
  [ "$(find "$work" -name '*.tmp' | wc -l)" -ne 0 ]; then
  echo "windows-tests: Ctrl-C gave exit status $status, or changed the output, or left a temporary" >&2
  exit 1
fi
echo "windows-tests: Ctrl-C: ok ($(tr -d '\r' <"$work/stderr.txt"))"

# The same generated log must give the same bytes on Windows as natively.
native=build/dev
if [ -x "$native/cli/sievra-cli" ] && [ -x "$native/bench/sievra-gen" ]; then
  "$native/bench/sievra-gen" --packet --lines 200000 --seed 7 --out "$work/big.txt"
  wine build/windows-cross/bench/sievra-gen.exe --packet --lines 200000 --seed 7 \
    --out "$(winpath "$work/big-win.txt")"
  cmp "$work/big.txt" "$work/big-win.txt"
  for mode in "--text" "--packet --call N0CALL --strip" "--packet"; do
    # shellcheck disable=SC2086 # the mode holds several options
    want=$("$native/cli/sievra-cli" --stats "$work/big.txt" -o "$work/big-linux.out" $mode 2>&1)
    # shellcheck disable=SC2086
    got=$(wine "$cli" --stats "$(winpath "$work/big.txt")" -o "$(winpath "$work/big-win.out")" \
      $mode 2>&1 | tr -d '\r')
    if [ "${want% in *}" != "${got% in *}" ] || ! cmp "$work/big-linux.out" "$work/big-win.out"; then
      echo "windows-tests: $mode: Windows gave '$got', Linux '$want'" >&2
      exit 1
    fi
    echo "windows-tests: generated log $mode: same bytes as Linux (${got% in *})"
  done
else
  echo "windows-tests: no native build in build/dev: comparison with Linux skipped"
fi
step "acceptance runs passed"
