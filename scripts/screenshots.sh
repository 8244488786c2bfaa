#!/usr/bin/env bash
# Starts the real program on a virtual X server, drives it like a user (both file
# dialogs, a packet run with path stripping, Help, Close) and saves screenshots
# of the main window and the help window. Needs: scripts/install-deps.sh gui-check
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
xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  source scripts/lib/gui-driving.sh
  # Types a path into the file dialog with this title and confirms it.
  answer_dialog() {
    dialog=$(window "$1")
    xdotool windowfocus --sync "$dialog"; sleep 0.3
    xdotool type --delay 2 "$2"; xdotool key Return; sleep 0.5
  }

  "$exe" & pid=$!
  main=$(window Sievra); sleep 0.5
  import -window "$main" "$out/main-start.png"
  click "$main" 320 36;  answer_dialog "Open/Import Data File" "$work/monitor.txt"
  click "$main" 320 99;  answer_dialog "Select or Enter Export Data File" "$work/unique.txt"
  click "$main" 470 34;  xdotool type --delay 2 "n0call"
  click "$main" 500 108                 # Yes under Strip Digi Path
  click "$main" 605 368                 # Start
  sleep 0.5
  import -window "$main" "$out/main-after-run.png"
  echo "--- output file ---"; cat "$work/unique.txt" | tr -d "\r"
  click "$main" 605 35                  # Help
  help=$(window Help); sleep 0.5
  import -window "$help" "$out/help.png"
  xdotool windowsize --sync "$help" 640 560; sleep 0.5
  import -window "$help" "$out/help-large.png"
  xdotool windowraise "$main"; sleep 0.3
  click "$main" 605 413                 # Close
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "Sievra still running after Close" >&2; kill "$pid"; exit 1; fi
  echo "Close ended the program."
'
echo "Screenshots in $out:"
ls "$out"

# The Windows window too, when the windows-cross build is there.
if [ -f build/windows-cross/win32/Sievra.exe ] && command -v wine >/dev/null; then
  scripts/windows-smoke.sh "$out"
fi
