#!/usr/bin/env python3
"""`context` on a GTK window of 2000 labels on a private X11 desktop (PARLEVOX_DESKTOP=x11),
beside the same tree on the simulated desktop: reply latency through the helper process, and
(from bench/x11_context_calls, the same capture in-process) the batched reads (`axValues`, one
per element read) and the accessibility-bus calls they cost.

Usage: bench/x11_context_bench.py [BUILD_DIR] [COMMANDS] [LABELS]
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "helper", "tests", "x11"))

from x11_session import X11Session  # noqa: E402


def helper(build, env):
    proc = subprocess.Popen([os.path.join(build, "helper/parlevox-helper"), "--no-keys"],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
    assert json.loads(proc.stdout.readline())["t"] == "ready"
    return proc


def timed(proc, ask, count):
    """Median, 90th percentile and minimum milliseconds from writing the line to the reply, and
    the last reply."""
    times = []
    for i in range(count + 2):  # the first two warm up
        line = (json.dumps({**ask, "id": i}) + "\n").encode()
        started = time.perf_counter()
        proc.stdin.write(line)
        proc.stdin.flush()
        while json.loads(reply := proc.stdout.readline()).get("id") != i:
            pass
        if i >= 2:
            times.append((time.perf_counter() - started) * 1000)
    times.sort()
    if not times:
        return None
    return statistics.median(times), times[int(len(times) * 0.9)], times[0], json.loads(reply)


def simulated_tree(labels, window):
    """The GTK window's tree as a scenario: a window, a scroll area, a box of the focused field
    and the labels after it, with the window's frame as the real window reported it."""
    x, y, w, h = window
    rows = [{"id": "field", "role": "AXTextField", "value": "Benchmark field",
             "frame": [x, y, w, 34]}]
    rows += [{"role": "AXStaticText", "value": f"Label {i} of the benchmark",
              "frame": [x, y + 34 + 17 * i, w, 17]} for i in range(labels)]
    scroll = {"role": "AXScrollArea", "frame": [x, y, w, h], "children": [
        {"role": "AXGroup", "frame": [x, y, w, 17 * labels + 34], "children": rows}]}
    return {"apps": [{"pid": 100, "bundle": "com.example.labels", "name": "Labels", "ui": {
        "windows": [{"role": "AXWindow", "title": "Parlevox Labels", "frame": [x, y, w, h],
                     "children": [scroll]}],
        "focused": "field"}}], "frontmost": 100}


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    labels = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
    print(f"{'desktop':12} {'median ms':>10} {'p90 ms':>8} {'min ms':>8} {'texts':>6} "
          f"{'axValues':>9} {'bus calls':>10} {'per axValues':>10}")
    with X11Session() as session:
        app, facts = session.start_app(f"labels:{labels}")
        window = [int(v) for v in facts["window"].split(",")]
        proc = helper(build, {**session.env, "PARLEVOX_DESKTOP": "x11"})
        ask = {"cmd": "context", "pid": app.pid, "maxChars": 1000000}
        timed(proc, ask, 0)  # the first contact with the application fills libatspi's tables
        median, p90, low, reply = timed(proc, ask, count)
        proc.stdin.close()
        proc.wait()
        # The same capture in-process, counting the element-interface reads and the bus calls.
        counted = json.loads(subprocess.run(
            [os.path.join(build, "bench/x11_context_calls"), str(app.pid), str(count)],
            env=session.env, capture_output=True, text=True, check=True).stdout)
        print(f"{'X11 AT-SPI':12} {median:10.1f} {p90:8.1f} {low:8.1f} "
              f"{len(reply.get('area', [])) + len(reply.get('texts', [])):6} "
              f"{counted['axValuesPerCapture']:9.0f} {counted['busCallsPerCapture']:10.0f} "
              f"{counted['busCallsPerCapture'] / max(1, counted['axValuesPerCapture']):10.2f}")
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "labels.json")
        with open(path, "w") as f:
            json.dump(simulated_tree(labels, window), f)
        proc = helper(build, dict(os.environ, PARLEVOX_DESKTOP=path))
        median, p90, low, reply = timed(proc, {"cmd": "context", "pid": 100,
                                               "maxChars": 1000000}, count)
        print(f"{'simulated':12} {median:10.1f} {p90:8.1f} {low:8.1f} "
              f"{len(reply.get('area', [])) + len(reply.get('texts', [])):6} {'-':>9} {'-':>10} "
              f"{'-':>10}")
        proc.stdin.close()
        proc.wait()


if __name__ == "__main__":
    main()
