#!/usr/bin/env bash
# Builds the Debian package build/release/sievra_1.0.0_amd64.deb from the release
# build's install rules and checks it with lintian, which must report no error.
#   scripts/package.sh      prints the package's path last
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package
cmake --preset release >/dev/null
cmake --build --preset release --parallel 2
cpack --preset release >/dev/null
deb=build/release/sievra_1.0.0_amd64.deb
# Errors fail the package; warnings are listed for a person to judge.
lintian --fail-on error --info "$deb" >&2
echo "$deb"
