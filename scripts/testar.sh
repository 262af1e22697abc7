#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite.
# Usage: scripts/testar.sh [build folder] [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
pasta="${1:-build}"
scripts/preparar.sh "$@"
ctest --test-dir "$pasta" --output-on-failure -j"$(nproc)"
