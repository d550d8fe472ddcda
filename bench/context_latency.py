#!/usr/bin/env python3
"""Reply latency of `context`, `nearText` and `window` through parlevox-helper, one command at a
time, on the trees of bench/context_trees.json (4000 visible elements; 50,000 mostly scrolled).

Usage: bench/context_latency.py [BUILD_DIR] [COMMANDS]
Sends COMMANDS of each kind one after another (each waits for its reply) and reports the median,
90th percentile and minimum time from writing the line to reading the reply.
"""

import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    env = dict(os.environ, PARLEVOX_DESKTOP=os.path.join(HERE, "context_trees.json"))
    proc = subprocess.Popen([os.path.join(build, "helper/parlevox-helper"), "--no-keys"],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
    assert json.loads(proc.stdout.readline())["t"] == "ready"
    asks = [("context, 4000 visible", {"cmd": "context", "pid": 10, "maxChars": 1000000}),
            ("context, 50,000 scrolled", {"cmd": "context", "pid": 11}),
            ("nearText, 50,000 scrolled", {"cmd": "nearText", "pid": 11}),
            ("window, 4000 visible", {"cmd": "window", "pid": 10})]
    print(f"{'command':28} {'median ms':>10} {'p90 ms':>8} {'min ms':>8} {'reply bytes':>12}")
    for name, ask in asks:
        times = []
        for i in range(count + 5):  # the first five warm up
            line = (json.dumps({**ask, "id": i}) + "\n").encode()
            started = time.perf_counter()
            proc.stdin.write(line)
            proc.stdin.flush()
            while json.loads(reply := proc.stdout.readline()).get("id") != i:
                pass  # an event, such as "secure"
            if i >= 5:
                times.append((time.perf_counter() - started) * 1000)
        times.sort()
        print(f"{name:28} {statistics.median(times):10.2f} {times[int(len(times) * 0.9)]:8.2f} "
              f"{times[0]:8.2f} {len(reply):12}")
    proc.stdin.close()
    proc.wait()


if __name__ == "__main__":
    main()
