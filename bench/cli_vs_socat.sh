#!/usr/bin/env bash
# Times one `parlevox app.info` call end to end (process start to exit) against the reference
# application, side by side with the same request and answer exchanged through socat.
# Usage: bench/cli_vs_socat.sh [build-dir]   (default build/default; needs hyperfine and socat)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
parlevox="$build/cli/parlevox"
app="$build/tools/parlevox-reference-app"
for tool in hyperfine socat "$parlevox" "$app"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work="$(mktemp -d)"
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

export PARLEVOX_SOCKET="$work/api.sock"
coproc APP { exec "$app" --socket "$PARLEVOX_SOCKET"; }
app_pid=$APP_PID
read -r ready <&"${APP[0]}"
echo "$ready" >&2

# The exact bytes parlevox sends for `parlevox app.info` (client "cli").
printf '%s\n' '{"id":1,"jsonrpc":"2.0","meta":{"client":"cli"},"method":"app.info","params":{}}' \
  > "$work/request"
env -u PARLEVOX_CLIENT -u CLAUDECODE -u CODEX_SANDBOX -u CODEX_HOME \
  "$parlevox" app.info > /dev/null  # the call works before it is timed

env -u PARLEVOX_CLIENT -u CLAUDECODE -u CODEX_SANDBOX -u CODEX_HOME \
  hyperfine -N --warmup 50 --runs "${RUNS:-500}" --export-json "$work/times.json" \
  -n "parlevox app.info" "$parlevox app.info" \
  -n "socat (same exchange)" "socat OPEN:$work/request!!STDOUT UNIX-CONNECT:$PARLEVOX_SOCKET"

python3 - "$work/times.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
cli, socat = results[0], results[1]
for r in results:
    print(f"{r['command']:<24} mean {r['mean']*1e3:6.2f} ms  median {r['median']*1e3:6.2f} ms"
          f"  sd {r['stddev']*1e3:5.2f} ms  min {r['min']*1e3:6.2f} ms")
print(f"socat / parlevox (mean): {socat['mean'] / cli['mean']:.2f}")
PY
