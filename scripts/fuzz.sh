#!/usr/bin/env bash
# Builds the fuzz targets (fuzz preset) and runs each for a few seconds over its seed corpus in
# fuzz/corpus/<target>/ plus a scratch folder for what it finds. A crash fails the run; its input
# is kept in build/fuzz/artifacts/. Usage: scripts/fuzz.sh [seconds per target] [target …]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
shift || true
scripts/setup.sh
cmake --preset fuzz -DCMAKE_COMPILE_WARNING_AS_ERROR="${PARLEVOX_WARNINGS_AS_ERRORS:-OFF}" >/dev/null
cmake --build --preset fuzz

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/artifacts
for target in "${targets[@]}"; do
  mkdir -p "$scratch/$target"
  if ! build/fuzz/fuzz/"${target}_fuzzer" -max_total_time="$seconds" -timeout=25 \
      -artifact_prefix=build/fuzz/artifacts/ "$scratch/$target" "fuzz/corpus/$target" \
      >"$scratch/$target.log" 2>&1; then
    cat "$scratch/$target.log"
    echo "fuzz: $target failed; its input is in build/fuzz/artifacts/" >&2
    exit 1
  fi
  echo "fuzz: $target: $(grep -E '^Done [0-9]+ runs' "$scratch/$target.log" | tail -n 1)"
done
