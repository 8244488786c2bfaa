#!/usr/bin/env bash
# Builds the Windows release from the windows-cross preset: a portable zip
# (sievra-<version>-windows-x64.zip) and a per-user installer made with NSIS
# (sievra-<version>-setup.exe). Only the project's sources and Debian's packages
# go into them. Needs: scripts/install-deps.sh windows
# Usage: scripts/package-windows.sh [output folder]   (default build/windows-release)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/windows-release}")
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION \([0-9.]*\))$/\1/p' cmake/Packaging.cmake)
[ -n "$version" ] || { echo "package-windows: no version in cmake/Packaging.cmake" >&2; exit 1; }
build=build/windows-cross

[ -f "$build/CMakeCache.txt" ] || cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross --target Sievra sievra-cli >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
files="$stage/sievra-$version"
mkdir -p "$files" "$out"
# Symbols are of no use to a user and triple the download.
x86_64-w64-mingw32-strip -o "$files/Sievra.exe" "$build/win32/Sievra.exe"
x86_64-w64-mingw32-strip -o "$files/sievra-cli.exe" "$build/cli/sievra-cli.exe"
cp ui/resources/help.rtf "$files/help.rtf"
# Notepad and the installer's licence page want CR LF.
sed 's/\r*$/\r/' LICENSE >"$files/LICENSE.txt"
sed -e "s/@VERSION@/$version/g" -e 's/\r*$/\r/' packaging/windows/README.txt >"$files/README.txt"
# The notices of the third-party code linked in, from the header and libraries
# this build used.
xxhash_dir=$(sed -n 's/^SIEVRA_XXHASH_DIR:PATH=//p' "$build/CMakeCache.txt")
packaging/windows/third-party-notices.sh "$version" "$xxhash_dir/xxhash.h" |
  sed 's/\r*$/\r/' >"$files/THIRD-PARTY-NOTICES.txt"

zip_file="$out/sievra-$version-windows-x64.zip"
rm -f "$zip_file"
# Fixed times and order, so the same sources give the same zip.
find "$files" -exec touch -d "@${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}" {} +
(cd "$stage" && find "sievra-$version" -type f | LC_ALL=C sort | zip -X -q -9 "$zip_file" -@)

setup="$out/sievra-$version-setup.exe"
makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$files" -DOUTFILE="$setup" \
  packaging/windows/sievra.nsi
echo "package-windows: $zip_file ($(stat -c %s "$zip_file") bytes)"
echo "package-windows: $setup ($(stat -c %s "$setup") bytes)"
