#!/usr/bin/env bash
# Peak resident memory of parlevox-helper for hostile input: one 100 MB line, a 20 MB line
# holding a JSON array, lines at the 4 MiB ceiling (an array of 2 million numbers, one long
# string), and 200 selectBack commands of 5000 steps without a record file.
# Usage: bench/helper_memory.sh [path/to/parlevox-helper]
set -euo pipefail
helper="${1:-build/default/helper/parlevox-helper}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT

python3 - "$dir" <<'PY'
import sys
d = sys.argv[1]
status2 = b'\n{"cmd":"status","id":2}\n'
def write(name, line):
    with open(f"{d}/{name}", "wb") as f:
        f.write(line + status2)
def padded(size, field, fill):
    head = b'{"cmd":"status","id":1,"%s":' % field
    return head + fill(size - len(head) - 1) + b"}"
write("idle", b"")
write("line-100MB", padded(100_000_000, b"x", lambda n: b'"' + b"a" * (n - 2) + b'"'))
array = lambda n: b"[" + b"1," * ((n - 3) // 2) + b"1" + b" " * ((n - 3) % 2) + b"]"
write("array-20MB", padded(20_000_000, b"x", array))
write("array-4MiB", padded(4 << 20, b"x", array))
write("text-4MiB", padded(4 << 20, b"text", lambda n: b'"' + b"a" * (n - 2) + b'"'))
with open(f"{d}/selectBack-200x5000", "wb") as f:
    f.writelines(b'{"cmd":"selectBack","count":5000,"id":%d}\n' % i for i in range(200))
PY

printf '%-20s %14s %10s\n' input "peak RSS KiB" seconds
for input in idle line-100MB array-20MB array-4MiB text-4MiB selectBack-200x5000; do
  # The built-in demo desktop, which keeps no record file.
  PARLEVOX_DESKTOP= /usr/bin/time -f "%M %e" -o "$dir/time" "$helper" --no-keys \
    <"$dir/$input" >/dev/null
  read -r peak seconds <"$dir/time"
  printf '%-20s %14s %10s\n' "$input" "$peak" "$seconds"
done
