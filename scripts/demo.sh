#!/usr/bin/env bash
# Builds the project and runs a short conversation with the helper on the built-in demo desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec python3 scripts/demo.py build/default
