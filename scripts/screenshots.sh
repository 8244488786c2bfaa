#!/usr/bin/env bash
# Starts the real program on a virtual X server, drives it like a user (both file
# dialogs, a packet run with path stripping, Options, Help, Close) and saves
# screenshots of the main window, the Options dialog and the help window.
# Needs: scripts/install-deps.sh gui-check
# Usage: scripts/screenshots.sh [output folder]   (PRESET=dev|release, default release)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${PRESET:-release}
out=$(realpath -m "${1:-build/screenshots}")
exe=$PWD/build/$preset/ui/Sievra
if [ ! -x "$exe" ]; then
  cmake --preset "$preset" && cmake --build --preset "$preset" -j2
fi
mkdir -p "$out"
desktop-file-validate ui/resources/sievra.desktop
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source scripts/lib/gui-driving.sh
write_monitor_log "$work/monitor.txt"

export exe out work
on_virtual_screen 1280x800 '
  "$exe" & pid=$!
  main=$(window Sievra); sleep 0.5
  import -window "$main" "$out/main-start.png"
  click_control "$main" cmdBrowseInput;  answer_dialog "Open/Import Data File" "$work/monitor.txt"
  click_control "$main" cmdBrowseOutput; answer_dialog "Select or Enter Export Data File" "$work/unique.txt"
  click_control "$main" txtKeyPhrase;    xdotool type --delay 2 "n0call"
  click_control "$main" optStripPathYes
  click_control "$main" cmdStart
  sleep 0.5
  import -window "$main" "$out/main-after-run.png"
  echo "--- output file ---"; cat "$work/unique.txt" | tr -d "\r"
  click_control "$main" cmdOptions
  options=$(window Options); sleep 0.5
  import -window "$options" "$out/options.png"
  xdotool windowfocus --sync "$options"; xdotool key Escape
  gone Options || { echo "Esc left the Options dialog open" >&2; exit 1; }
  click_control "$main" cmdHelp
  help=$(window Help); sleep 0.5
  import -window "$help" "$out/help.png"
  xdotool windowsize --sync "$help" 640 560; sleep 0.5
  import -window "$help" "$out/help-large.png"
  xdotool windowraise "$main"; sleep 0.3
  click_control "$main" cmdClose
  await_exit "$pid" 5 "Sievra still running after Close"
  echo "Close ended the program."
'
echo "Screenshots in $out:"
ls "$out"

# The Windows window too, when the windows-cross build is there.
if [ -f build/windows-cross/win32/Sievra.exe ] && command -v wine >/dev/null; then
  scripts/windows-smoke.sh "$out"
fi
