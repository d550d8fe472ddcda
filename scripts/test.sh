#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. Usage: scripts/test.sh [preset]
# PARLEVOX_WARNINGS_AS_ERRORS=ON makes every compiler warning an error (CI does so).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/setup.sh
cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR="${PARLEVOX_WARNINGS_AS_ERRORS:-OFF}" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
