#!/usr/bin/env bash
# Starts the real Sievra.exe under Wine on a virtual X server and drives it like a
# user: both file dialogs found by their titles, a packet run with path
# stripping, Help, Close. Saves screenshots, checks the output file against
# sievra-cli's and that Close ends the program. Uses $WINEPREFIX when set (its
# graphics driver must be X11), else a fresh prefix of its own.
# Needs: scripts/install-deps.sh windows gui-check and the windows-cross build.
# Usage: scripts/windows-smoke.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
exe=$PWD/build/windows-cross/win32/Sievra.exe
cli=$PWD/build/windows-cross/cli/sievra-cli.exe
[ -f "$exe" ] || { echo "windows-smoke: build the windows-cross preset first" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
source scripts/lib/wine.sh
source scripts/lib/gui-driving.sh
if [ -z "${WINEPREFIX:-}" ]; then
  fresh_wine_prefix "$work/prefix"
else
  wine_env
fi
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
write_monitor_log "$work/monitor.txt"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# A Wine session started without a display keeps none: wait for it to end.
wineserver -w

export exe cli out work expected="$(winpath "$work/expected.txt")" monitor="$(winpath "$work/monitor.txt")" unique="$(winpath "$work/unique.txt")"
xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  source scripts/lib/gui-driving.sh
  # Types a path into the file dialog with this title and confirms it.
  answer_dialog() {
    dialog=$(window "$1"); sleep 0.5
    import -window root "$out/$3"
    xdotool windowfocus --sync "$dialog"; sleep 0.2
    xdotool type --delay 5 "$2"; xdotool key Return
    gone "$1" || { echo "dialog \"$1\" still open" >&2; return 1; }
  }

  wine "$cli" --packet --call n0call --strip "$monitor" -o "$expected"
  wine "$exe" & pid=$!
  main=$(window Sievra); sleep 1
  import -window "$main" "$out/windows-main-start.png"
  click "$main" 323 33;  answer_dialog "Open/Import Data File" "$monitor" windows-open-dialog.png
  click "$main" 323 96;  answer_dialog "Select or Enter Export Data File" "$unique" windows-save-dialog.png
  click "$main" 475 33;  xdotool type --delay 5 "n0call"
  click "$main" 515 108                 # Yes under Strip Digi Path
  click "$main" 605 368                 # Start
  for _ in $(seq 100); do [ -s "$work/unique.txt" ] && break; sleep 0.1; done
  sleep 1
  import -window "$main" "$out/windows-main-after-run.png"
  click "$main" 605 35                  # Help
  help=$(window Help); sleep 1
  import -window "$help" "$out/windows-help.png"
  xdotool windowsize --sync "$help" 640 560; sleep 1
  import -window "$help" "$out/windows-help-large.png"
  xdotool windowraise "$main"; sleep 0.3
  click "$main" 605 413                 # Close
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "Sievra.exe still running after Close" >&2; kill "$pid"; exit 1; fi
'
cmp "$work/unique.txt" "$work/expected.txt" ||
  { echo "windows-smoke: the window wrote other bytes than sievra-cli" >&2; exit 1; }
echo "windows-smoke: both dialogs, a run (same bytes as sievra-cli), Help and Close: ok"
echo "windows-smoke: screenshots in $out: $(cd "$out" && ls windows-*.png | tr '\n' ' ')"
