#!/usr/bin/env bash
# Builds the Windows release (scripts/package-windows.sh) and checks it under Wine,
# in a fresh Wine prefix: the zip holds what it should; the installer installs
# silently for the user; the installed sievra-cli filters a pipe and Sievra.exe
# opens its window (on a virtual X server); the silent uninstaller leaves no
# program file, shortcut or uninstall entry behind.
# Needs: scripts/install-deps.sh windows
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/windows-release}")
scripts/package-windows.sh "$out"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION \([0-9.]*\))$/\1/p' cmake/Packaging.cmake)
fail() { echo "check-windows-release: $*" >&2; exit 1; }
ok() { echo "check-windows-release: $*: ok"; }

zip="$out/sievra-$version-windows-x64.zip"
listed=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
wanted=$(printf "sievra-$version/%s " LICENSE.txt README.txt Sievra.exe THIRD-PARTY-NOTICES.txt \
  help.rtf sievra-cli.exe)
[ "$listed" = "$wanted" ] || fail "the zip holds '$listed'"
bare=$(unzip -p "$zip" "sievra-$version/*.txt" | grep -c -v $'\r$' || true)
[ "$bare" -eq 0 ] || fail "the zip's text files have $bare lines without CR LF"
ok "zip contents"

# Each third-party part by name, and a line of its notice as copied from its package.
notices=$(unzip -p "$zip" "sievra-$version/THIRD-PARTY-NOTICES.txt")
for want in "XXH3 from xxHash" "Copyright (C) 2012-" "Yann Collet" "winpthreads" \
  "Files: mingw-w64-libraries/winpthreads/*" "GCC Runtime Library Exception" \
  "GCC RUNTIME LIBRARY EXCEPTION" "1. Grant of Additional Permission."; do
  grep -q -F "$want" <<<"$notices" || fail "THIRD-PARTY-NOTICES.txt lacks '$want'"
done
ok "third-party notices"

source scripts/lib/wine.sh
source scripts/lib/gui-driving.sh
wine_scratch

winenv() { wine cmd /c echo "%$1%" | tr -d '\r'; }
local_app_data=$(winepath -u "$(winenv LOCALAPPDATA)")
app_data=$(winepath -u "$(winenv APPDATA)")
installed="$local_app_data/Programs/Sievra"
shortcut="$app_data/Microsoft/Windows/Start Menu/Programs/Sievra.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sievra'

wine "$out/sievra-$version-setup.exe" /S
for f in Sievra.exe sievra-cli.exe help.rtf LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt Uninstall.exe; do
  [ -f "$installed/$f" ] || fail "the installer did not put $f in $installed"
done
unzip -p "$zip" "sievra-$version/THIRD-PARTY-NOTICES.txt" | cmp -s - "$installed/THIRD-PARTY-NOTICES.txt" ||
  fail "the installed THIRD-PARTY-NOTICES.txt differs from the zip's"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
wine reg query "$key" /v QuietUninstallString | grep -q 'Uninstall.exe" /S' ||
  fail "no uninstall entry in $key"
ok "silent install for the user into $installed"

got=$(printf 'b\r\na\r\nb\r\n' | wine "$installed/sievra-cli.exe" | od -An -c | tr -s ' ')
[ "$got" = " b \r \n a \r \n" ] || fail "the installed sievra-cli gave '$got'"
ok "installed sievra-cli on a pipe"

# The window, on a virtual X server: it must appear, then close when asked.
end_wine_session
export installed
on_virtual_screen 1024x768 '
  wine "$installed/Sievra.exe" & pid=$!
  window Sievra >/dev/null
  wine taskkill /im Sievra.exe >/dev/null 2>&1
  await_exit "$pid" 10 "Sievra.exe still running after it was asked to close"
' || fail "the installed Sievra.exe did not open its window and close"
ok "installed Sievra.exe opens its window"

# The uninstaller copies itself away and returns at once; wait for its work.
wine "$installed/Uninstall.exe" /S
wait_until 60 test ! -e "$installed" || true
[ ! -e "$installed" ] || fail "left behind: $(find "$installed" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
if wine reg query "$key" >/dev/null 2>&1; then fail "the uninstall entry is left"; fi
ok "silent uninstall leaves nothing"
