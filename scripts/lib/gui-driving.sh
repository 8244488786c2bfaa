# Sourced by the scripts that drive a real Sievra window on a virtual X server.

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

# Waits up to 30 s for a visible window with this exact title and prints its id.
window() {
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window \"$1\"" >&2
  return 1
}

# Waits up to 10 s for the window with this exact title to go.
gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# Clicks a point of a window's client area, in pixels.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.4; }
