# Sourced by the scripts that wait for something to happen.

# Runs the command every 0.1 s until it succeeds, for up to $1 seconds; fails
# when it never does.
wait_until() {
  local tenths=$(($1 * 10)) i
  shift
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

# Succeeds once process $1 has ended.
exited() { ! kill -0 "$1" 2>/dev/null; }

# Waits up to $2 s for process $1 to end; otherwise prints message $3, ends the
# process and fails.
await_exit() {
  wait_until "$2" exited "$1" && return 0
  echo "$3" >&2
  kill "$1" 2>/dev/null || true
  return 1
}
