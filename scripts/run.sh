#!/usr/bin/env bash
# Sets up a fresh machine, builds Sievra and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
if [ -x build/release/ui/Sievra ]; then
  exec build/release/ui/Sievra "$@"
fi
echo "Built the engine; the window is not part of this build yet."
