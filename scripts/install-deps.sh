#!/usr/bin/env bash
# Installs what building and testing Sievra needs on Debian/Ubuntu, skipping
# packages that are already there. Runs apt-get directly as root, through sudo otherwise.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config libxxhash-dev
  unicode-data  # CaseFolding.txt, which the engine's case-folding table is generated from
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # tests (the window tests measure text, so they need a font)
  libgtest-dev googletest fonts-dejavu-core clang-format git
)
# Extra groups a caller may ask for: bench, gui-check, fuzz, windows, package.
for group in "$@"; do
  case "$group" in
    bench) packages+=(gawk mawk) ;;
    gui-check) packages+=(xvfb xauth x11-apps imagemagick xdotool desktop-file-utils) ;;
    fuzz) packages+=(clang libclang-rt-14-dev llvm) ;;  # llvm: symbolised crash reports
    # The 64-bit posix-thread cross compiler with its binutils (windres), Wine's
    # commands (wine, wineboot, wineserver) and its 64-bit loader; NSIS and zip
    # for the release; a virtual X server and xdotool for the smoke run.
    windows) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
                        nsis zip unzip xvfb xauth xdotool imagemagick) ;;
    # The .deb: its dependencies (dpkg-shlibdeps), manual page, checks of the result.
    package) packages+=(dpkg-dev help2man gzip lintian appstream desktop-file-utils man-db) ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
