#!/usr/bin/env bash
# Writes THIRD-PARTY-NOTICES.txt of the Windows release to standard output (LF
# line ends). The programs are linked statically, so the notices of what they
# contain travel with them: the texts are copied from the installed files that
# the build used, never retyped, and a missing passage fails the script rather
# than drop a notice.
# Usage: third-party-notices.sh VERSION XXHASH_HEADER   (the xxhash.h compiled in)
set -euo pipefail
version=$1
xxhash_header=$(realpath "$2")
cxx=x86_64-w64-mingw32-g++-posix

# The file the cross compiler links for $1, e.g. libstdc++.a.
linked() { realpath "$("$cxx" -print-file-name="$1")"; }
# "package version" of the Debian package that installed file $1.
package_of() {
  local p
  p=$(dpkg-query -S "$1" | sed -n '1s/:.*//p')
  echo "$p $(dpkg-query -W -f='${Version}' "$p")"
}
copyright_of() { echo "/usr/share/doc/${1%% *}/copyright"; }
# A section title, underlined, with the file its notices are copied from.
heading() { printf "\n\n%s\n%s\n(%s)\n" "$1" "${1//?/-}" "$2"; }
fail() { echo "third-party-notices: $*" >&2; exit 1; }

# The lines of file $1 from the first that starts with $2 to the next that
# starts with $3.
between() {
  awk -v a="$2" -v b="$3" '
    !on && index($0, a) == 1 { on = 1 }
    on { print }
    on && index($0, b) == 1 { done = 1; exit }
    END { if (!done) { print "third-party-notices: no \"" a "\" ... \"" b "\" in " FILENAME > "/dev/stderr"; exit 1 } }
  ' "$1"
}
# The paragraph of Debian copyright file $1 whose first line is exactly $2
# (a "License:" line also ends "Files:" paragraphs: only a first line counts).
paragraph() {
  awk -v a="$2" '
    $0 == a && prev == "" { on = 1 }
    { prev = $0 }
    on && /^$/ { exit }
    on { print; n++ }
    END { if (!n) { print "third-party-notices: no paragraph \"" a "\" in " FILENAME > "/dev/stderr"; exit 1 } }
  ' "$1"
}

xxhash=$(package_of "$xxhash_header")
mingw=$(package_of "$(linked libmingwex.a)")
winpthreads=$(package_of "$(linked libpthread.a)")
libstdcxx=$(package_of "$(linked libstdc++.a)")
libgcc=$(package_of "$(linked libgcc.a)")
mingw_copyright=$(copyright_of "$mingw")
gcc_copyright=$(copyright_of "$libstdcxx")
[ "$(copyright_of "$winpthreads")" -ef "$mingw_copyright" ] ||
  fail "mingw-w64's runtime and winpthreads no longer share a copyright file"
[ "$(copyright_of "$libgcc")" -ef "$gcc_copyright" ] ||
  fail "libstdc++ and libgcc no longer share a copyright file"
gcc_version=${libstdcxx#* }
title="Third-party notices of Sievra $version for Windows"

cat <<EOF
$title
${title//?/=}

Sievra.exe and sievra-cli.exe are each linked statically from Sievra's own code
(MIT licence, LICENSE.txt) and the third-party parts below, all built by Debian
and taken from the Debian packages named with them. Both programs contain every
part. The notices of each part follow, copied from its package.

1. XXH3 from xxHash, the hash function of the duplicate index.
   BSD 2-Clause licence. From the header xxhash.h of $xxhash.
2. The mingw-w64 runtime: start-up code (libmingw32), C library additions
   (libmingwex, with gdtoa's number conversions and the printf family) and the
   import libraries of the Windows DLLs the programs call.
   ZPL 2.1, and the licences of Lucent, David M. Gay and Keith Marshall for
   the parts so marked. From $mingw.
3. winpthreads, mingw-w64's POSIX threads library, on which the threads of
   the C++ library run.
   Expat (MIT) licence, and Lockless Inc.'s BSD licence for pthread.h.
   From $winpthreads.
4. libstdc++, the C++ standard library, and libgcc with libgcc_eh, the
   exception unwinder, of GCC ${gcc_version%%-*}.
   GNU General Public License version 3 or later with the GCC Runtime Library
   Exception 3.1, which lets programs compiled by GCC contain them under terms
   of their authors' choice. From $libstdcxx
   and $libgcc.
   The GPL itself: https://www.gnu.org/licenses/gpl-3.0.txt

Parts of the mingw-w64 runtime that are in the public domain need no notice
and are not listed below.
EOF

heading "1. XXH3 from xxHash" "$xxhash_header of $xxhash"
# The header's licence comment, without the comment's frame.
between "$xxhash_header" " * xxHash - Extremely Fast Hash algorithm" " */" |
  sed -e '$d' -e 's/^ \* \{0,1\}//'

heading "2. The mingw-w64 runtime and 3. winpthreads" "$mingw_copyright of $mingw"
for first in "Files: *" "Files: mingw-w64-crt/gdtoa/*" "Files: mingw-w64-crt/gdtoa/qnan.c" \
  "Files: mingw-w64-crt/misc/basename.c" "Files: mingw-w64-libraries/winpthreads/*" \
  "License: expat" "Files: mingw-w64-libraries/winpthreads/include/pthread.h"; do
  echo
  paragraph "$mingw_copyright" "$first"
done

heading "4. libstdc++ and libgcc" "$gcc_copyright of $libstdcxx"
echo
between "$gcc_copyright" "GCC is Copyright (C)" "for more details."
echo
between "$gcc_copyright" "The following runtime libraries are licensed" " - libvtv"
echo
echo
between "$gcc_copyright" "GCC RUNTIME LIBRARY EXCEPTION" "requirements of the license of GCC."
