#!/usr/bin/env bash
# Starts the real Sievra.exe under Wine on a virtual X server and drives it like a
# user: both file dialogs found by their titles, a packet run with path
# stripping, the Options dialog (a choice made, then Esc), Help, Close. Saves
# screenshots, checks the output file against sievra-cli's and that Close ends
# the program. Uses $WINEPREFIX when set (its graphics driver must be X11), else
# a fresh prefix of its own.
# Needs: scripts/install-deps.sh windows gui-check and the windows-cross build.
# Usage: scripts/windows-smoke.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
exe=$PWD/build/windows-cross/win32/Sievra.exe
cli=$PWD/build/windows-cross/cli/sievra-cli.exe
[ -f "$exe" ] || { echo "windows-smoke: build the windows-cross preset first" >&2; exit 1; }
mkdir -p "$out"
source scripts/lib/wine.sh
source scripts/lib/gui-driving.sh
wine_scratch reuse
write_monitor_log "$scratch/monitor.txt"
end_wine_session

export exe cli out scratch expected="$(winpath "$scratch/expected.txt")" monitor="$(winpath "$scratch/monitor.txt")" unique="$(winpath "$scratch/unique.txt")"
on_virtual_screen 1280x800 '
  wine "$cli" --packet --call n0call --strip "$monitor" -o "$expected"
  wine "$exe" & pid=$!
  main=$(window Sievra); sleep 1
  import -window "$main" "$out/windows-main-start.png"
  click_control "$main" cmdBrowseInput;  answer_dialog "Open/Import Data File" "$monitor" windows-open-dialog.png
  click_control "$main" cmdBrowseOutput; answer_dialog "Select or Enter Export Data File" "$unique" windows-save-dialog.png
  click_control "$main" txtKeyPhrase;    xdotool type --delay 5 "n0call"
  click_control "$main" optStripPathYes
  click_control "$main" cmdStart
  wait_until 10 test -s "$scratch/unique.txt" || true
  sleep 1
  import -window "$main" "$out/windows-main-after-run.png"
  click_control "$main" cmdOptions
  options=$(window Options); sleep 1
  click_control "$options" optKeepLast
  import -window "$options" "$out/windows-options.png"
  xdotool key Escape
  gone Options || { echo "Esc left the Options dialog open" >&2; exit 1; }
  click_control "$main" cmdHelp
  help=$(window Help); sleep 1
  import -window "$help" "$out/windows-help.png"
  xdotool windowsize --sync "$help" 640 560; sleep 1
  import -window "$help" "$out/windows-help-large.png"
  xdotool windowraise "$main"; sleep 0.3
  click_control "$main" cmdClose
  await_exit "$pid" 10 "Sievra.exe still running after Close"
'
cmp "$scratch/unique.txt" "$scratch/expected.txt" ||
  { echo "windows-smoke: the window wrote other bytes than sievra-cli" >&2; exit 1; }
echo "windows-smoke: both file dialogs, a run (same bytes as sievra-cli), Options, Help and Close: ok"
echo "windows-smoke: screenshots in $out: $(cd "$out" && ls windows-*.png | tr '\n' ' ')"
