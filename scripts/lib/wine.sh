# Sourced by the scripts that run Sievra's Windows programs under Wine.

# Quiet Wine, without Mono or Gecko: nothing here is .NET or HTML, and asking
# for them needs a display.
wine_env() {
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# Makes and boots a fresh prefix in folder $1, with no display to talk to.
fresh_wine_prefix() {
  wine_env
  export WINEPREFIX="$1"
  unset DISPLAY WAYLAND_DISPLAY
  wineboot --init
}

# Makes the temporary folder $scratch, removed at exit after the Wine session
# is ended, and a fresh prefix in it; with "reuse", a prefix the caller set in
# $WINEPREFIX serves instead.
wine_scratch() {
  scratch=$(mktemp -d)
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
  if [ "${1:-}" = reuse ] && [ -n "${WINEPREFIX:-}" ]; then
    wine_env
  else
    fresh_wine_prefix "$scratch/prefix"
  fi
}

# Waits for the Wine session to end. Wine picks its display and graphics driver
# when a session starts, and one started without a display keeps none.
end_wine_session() { wineserver -w; }

# The Windows path of Unix path $1, through Wine's Z: drive.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
