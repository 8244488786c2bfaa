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
