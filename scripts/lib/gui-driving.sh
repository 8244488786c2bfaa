# Sourced by the scripts that drive a real Sievra window on a virtual X server.
gui_driving_lib=$(realpath "${BASH_SOURCE[0]}")
source "$(dirname "$gui_driving_lib")/wait.sh"

# Writes a small packet monitor log with CR LF line ends to file $1: repeated
# payloads, digipeater paths, a lower-case callsign and a line too long for the
# results box.
write_monitor_log() {
  printf '%s\r\n' \
    'N0CALL-9>APRS,WIDE1-1,WIDE2-1:!4903.50N/07201.75W-PHG2360 Sievra test station' \
    'K1ABC>APRS,WIDE1-1:>Net tonight at 8 pm' \
    'n0call>APRS,RELAY,WIDE2-1:>Status: portable in the hills' \
    'N0CALL-9>APRS,WIDE2-2:!4903.50N/07201.75W-PHG2360 Sievra test station' \
    'N0CALL>BEACON,WIDE1-1:This beacon line is long enough to show that the results box wraps it well beyond the visible edge of the box, not at the edge itself' \
    'N0CALL-7>APRS:>Status: portable in the hills' >"$1"
}

# Runs bash script $2 on a virtual X server whose screen is $1 pixels (e.g.
# 1280x800), with these pieces sourced and the caller's exported variables.
on_virtual_screen() {
  xvfb-run -a -s "-screen 0 ${1}x24" bash -euo pipefail -c "source $(printf %q "$gui_driving_lib")
$2"
}

# Prints the id of a visible window with this exact title; fails when there is none.
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
no_window() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

# Waits up to 30 s for a visible window with this exact title and prints its id.
window() { wait_until 30 visible_window "$1" || { echo "no window \"$1\"" >&2; return 1; }; }

# Waits up to 10 s for the window with this exact title to go.
gone() { wait_until 10 no_window "$1"; }

# Clicks a point of a window's client area, in pixels.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.4; }

# The centre of control $1 of the main window or the Options dialog (their names
# differ) in pixels of its client area at 96 DPI (15 twips a pixel), from the
# layout tables both programs' windows are built from.
control_centre() {
  local header rows
  header="$(dirname "$gui_driving_lib")/../../presentation/include/sievra/presentation/window_layout.h"
  rows=$(tr -s '[:space:]' ' ' <"$header" |
    grep -oE 'ControlLayout\{ ?"[A-Za-z]+", ?ControlKind::[A-Za-z]+, ?"[A-Za-z]*", ?"[^"]*", ?\{ ?[0-9]+, ?[0-9]+, ?[0-9]+, ?[0-9]+ ?\}' |
    sed -E 's/ControlLayout\{ ?"([A-Za-z]+)", ?ControlKind::[A-Za-z]+, ?"([A-Za-z]*)", ?"[^"]*", ?\{ ?([0-9]+), ?([0-9]+), ?([0-9]+), ?([0-9]+) ?\}/\1 =\2 \3 \4 \5 \6/')
  awk -v name="$1" '
    { left[$1] = $3; top[$1] = $4; width[$1] = $5; height[$1] = $6; inside[$1] = substr($2, 2) }
    END {
      if (!(name in left)) exit 1
      x = left[name] + width[name] / 2; y = top[name] + height[name] / 2
      if (inside[name] != "") { x += left[inside[name]]; y += top[inside[name]] }
      printf "%d %d\n", int(x / 15 + 0.5), int(y / 15 + 0.5)
    }' <<<"$rows"
}

# Clicks the control named $2 (e.g. cmdStart) of window $1, at its centre.
click_control() {
  local x y
  read -r x y < <(control_centre "$2") || true
  [ -n "${y:-}" ] || { echo "no control $2 in the layout table" >&2; return 1; }
  click "$1" "$x" "$y"
}

# Types path $2 into the file dialog with title $1 and confirms it, then waits
# for the dialog to go; with $3, first saves a screenshot of the screen as $out/$3.
answer_dialog() {
  local dialog
  dialog=$(window "$1")
  sleep 0.5
  [ -z "${3:-}" ] || import -window root "$out/$3"
  xdotool windowfocus --sync "$dialog"
  sleep 0.3
  xdotool type --delay 5 "$2"
  xdotool key Return
  gone "$1" || { echo "dialog \"$1\" still open" >&2; return 1; }
}
