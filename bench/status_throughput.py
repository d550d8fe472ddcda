#!/usr/bin/env python3
"""Pipelined `status` commands per second through parlevox-helper, beside the reply ceiling.

Usage: bench/status_throughput.py BUILD_DIR [COMMANDS] [ROUNDS]
Writes COMMANDS status lines as fast as the pipe takes them while reading every reply; reports
the best of ROUNDS for the helper and for a program that answers each line with one write(2).
"""

import os
import subprocess
import sys
import threading
import time


def run(argv, count):
    payload = b"".join(b'{"cmd":"status","id":%d}\n' % i for i in range(count))
    env = dict(os.environ, PARLEVOX_DESKTOP="")
    proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
    first = proc.stdout.readline() if "helper" in argv[0] else b""  # the "ready" line

    def feed():
        proc.stdin.write(payload)
        proc.stdin.close()

    started = time.perf_counter()
    writer = threading.Thread(target=feed)
    writer.start()
    replies = 0
    fd = proc.stdout.fileno()
    while replies < count:
        chunk = os.read(fd, 1 << 20)
        if not chunk:
            break
        replies += chunk.count(b"\n")
    elapsed = time.perf_counter() - started
    writer.join()
    proc.wait()
    if replies < count:
        raise SystemExit(f"{argv[0]}: {replies} replies for {count} commands ({first!r})")
    return count / elapsed


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200000
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    helper = [os.path.join(build, "helper/parlevox-helper"), "--no-keys"]
    ceiling = [os.path.join(build, "bench/reply_ceiling")]
    best_helper = best_ceiling = 0.0
    for _ in range(rounds):
        best_ceiling = max(best_ceiling, run(ceiling, count))
        best_helper = max(best_helper, run(helper, count))
    print(f"commands per round: {count}, best of {rounds}")
    print(f"parlevox-helper status: {best_helper:12,.0f} commands/s")
    print(f"reply ceiling:          {best_ceiling:12,.0f} commands/s")
    print(f"ratio:                  {best_helper / best_ceiling:12.2f}")


if __name__ == "__main__":
    main()
