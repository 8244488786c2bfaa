#!/usr/bin/env bash
# Sets up a fresh machine, builds Sievra and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh fuzz
scripts/check-format.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev

# The whole suite again under address, leak and undefined-behaviour sanitizers.
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

# The tests that start threads again, under the thread sanitizer.
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan

# The .deb: built from the release preset, lintian-clean, and run as unpacked.
scripts/check-package.sh

# Each fuzz target briefly, with a fixed seed, on its committed corpus.
scripts/fuzz-smoke.sh

# The engine and its tests again, as Windows programs run under Wine.
scripts/install-deps.sh windows
scripts/windows-tests.sh
