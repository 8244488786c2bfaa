#!/usr/bin/env bash
# The Windows window (under Wine) next to the Qt window, same data, same call:
# start-up to first paint, the window during a 1M- and a 10M-line run, exe sizes.
# Builds the windows-cross preset and the release preset's Qt targets first.
# Usage: bench/run-window-bench.sh [repetitions]   (default 3; prints medians)
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-3}
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
[ -f build/windows-cross/CMakeCache.txt ] || cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross --target Sievra sievra-win32-bench >/dev/null
[ -f build/release/CMakeCache.txt ] || cmake --preset release >/dev/null
cmake --build --preset release --target Sievra sievra-ui-bench >/dev/null
qt=$PWD/build/release/ui/Sievra
win=$PWD/build/windows-cross/win32/Sievra.exe
winbench=$PWD/build/windows-cross/bench/sievra-win32-bench.exe

scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
(unset DISPLAY; wineboot --init; wineserver -w)
median() { LC_ALL=C sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "== start-up to the window shown (Xvfb; xdotool polls every 10 ms), ms, median of $reps"
export qt win winbench reps
xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  median() { LC_ALL=C sort -g | awk "{v[NR]=\$1} END {print v[int((NR+1)/2)]}"; }
  shown() {  # command...: ms from launch until a visible window titled Sievra
    local t0 pid
    t0=$(date +%s%N); "$@" >/dev/null 2>&1 & pid=$!
    until xdotool search --onlyvisible --name "^Sievra\$" >/dev/null 2>&1; do sleep 0.01; done
    echo $(( ($(date +%s%N) - t0) / 1000000 ))
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    while xdotool search --onlyvisible --name "^Sievra\$" >/dev/null 2>&1; do sleep 0.05; done
  }
  wineserver -p 60  # the Wine session stays up between runs, as on a desktop
  wine cmd /c exit >/dev/null 2>&1
  for _ in $(seq "$reps"); do shown "$qt"; done | median | sed "s/^/Qt window:              /"
  for _ in $(seq "$reps"); do shown wine "$win"; done | median | sed "s/^/Windows window (Wine): /"
  for _ in $(seq "$reps"); do wine "$winbench" --startup | tr -d "\r"; done | median |
    sed "s/^/Windows window, in-process (process created to painted): /"
  wineserver -k
'

echo "== the window during a run (Text mode, distinct 61-character lines), medians of $reps"
echo "-- Qt window (offscreen platform):"
QT_QPA_PLATFORM=offscreen build/release/bench/sievra-ui-bench --live 1000000 10000000
echo "-- Windows window (Wine, null graphics driver):"
(unset DISPLAY
 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
 wineserver -w  # the driver is chosen when a session starts
 printf '%-10s %12s %14s %14s %15s\n' lines "longest gap" Start-summary Start-paint paint-engine
 for lines in 1000000 10000000; do
   for _ in $(seq "$reps"); do
     wine "$winbench" --live "$lines" "Z:${scratch//\//\\}" | tr -d '\r'
     rm -f "$scratch/input.txt" "$scratch/output.txt"
   done >"$scratch/live.txt"
   row="$lines"
   for column in 1 2 3 4; do row+=" $(awk -v c=$column '{print $c}' "$scratch/live.txt" | median)"; done
   # shellcheck disable=SC2086
   printf '%-10s %12s %14s %14s %15s\n' $row
 done)

echo "== exe sizes (bytes)"
x86_64-w64-mingw32-strip -o "$scratch/Sievra.exe" "$win"
strip -o "$scratch/Sievra-qt" "$qt"
echo "Sievra.exe (stripped, static, imports only Windows DLLs): $(stat -c %s "$scratch/Sievra.exe")"
echo "Qt Sievra (stripped, without its shared Qt libraries):   $(stat -c %s "$scratch/Sievra-qt")"
qtlibs=$(ldd "$qt" | awk '/libQt6/ {print $3}' | xargs stat -L -c %s | awk '{s += $1} END {print s}')
echo "the Qt libraries it loads (Core, Gui, Widgets, ...):     $qtlibs"
echo "imports of Sievra.exe: $(x86_64-w64-mingw32-objdump -p "$win" | awk '/DLL Name/ {print $3}' | sort -u | tr '\n' ' ')"
