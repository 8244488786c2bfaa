#!/usr/bin/env bash
# Sets up a fresh machine, builds Sievra and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev

# The engine and its tests again, as Windows programs run under Wine.
scripts/install-deps.sh windows
scripts/windows-tests.sh
