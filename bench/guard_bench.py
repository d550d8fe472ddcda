#!/usr/bin/env python3
"""Measures parlevox-guard: how soon the child hears of its parent's death, and the start-up cost.

usage: bench/guard_bench.py [path/to/parlevox-guard] [--runs N] [--hyperfine-runs N]

Reaction: a stand-in parent starts the guard around a child that waits for SIGTERM; the
benchmark kills the parent with SIGKILL and takes the time from just before that kill to the
child's receipt of SIGTERM (both read from CLOCK_MONOTONIC). Start-up: hyperfine compares
`parlevox-guard /bin/true` with `/bin/true` run directly.
"""
import argparse
import ctypes
import json
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

# The guarded child: holds SIGTERM blocked and takes it synchronously, so no interpreter
# scheduling sits between the signal's arrival and its time stamp.
CHILD = r"""
import os, signal, sys, time
fd = int(sys.argv[1])
signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM})
os.write(fd, b"ready\n")
signal.sigwait({signal.SIGTERM})
os.write(fd, b"term %d\n" % time.clock_gettime_ns(time.CLOCK_MONOTONIC))
"""


def read_line(fd, timeout=10.0):
    line = b""
    deadline = time.monotonic() + timeout
    while not line.endswith(b"\n"):
        if not select.select([fd], [], [], max(0.0, deadline - time.monotonic()))[0]:
            raise TimeoutError("no answer from the guarded child")
        line += os.read(fd, 1)
    return line.decode().strip()


def reap(pid, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            if os.waitpid(pid, os.WNOHANG)[0]:
                return
        except ChildProcessError:
            pass  # the orphaned guard has not been handed to us yet
        time.sleep(0.001)
    raise TimeoutError(f"process {pid} did not end")


def one_reaction(guard):
    """Nanoseconds from killing the guard's parent to SIGTERM arriving in the child."""
    report_r, report_w = os.pipe()
    parent = os.fork()
    if parent == 0:  # the stand-in parent: starts the guard and stays until killed
        os.close(report_r)
        os.set_inheritable(report_w, True)
        guarded = os.fork()
        if guarded == 0:
            os.execv(guard, [guard, sys.executable, "-c", CHILD, str(report_w)])
        os.write(report_w, b"guard %d\n" % guarded)
        while True:
            signal.pause()
    os.close(report_w)
    guard_pid = int(read_line(report_r).split()[1])
    assert read_line(report_r) == "ready"
    time.sleep(0.02)  # let the guard finish setting up its watch
    killed_at = time.clock_gettime_ns(time.CLOCK_MONOTONIC)
    os.kill(parent, signal.SIGKILL)
    termed_at = int(read_line(report_r).split()[1])
    os.waitpid(parent, 0)
    reap(guard_pid)
    os.close(report_r)
    return termed_at - killed_at


def startup(guard, runs):
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run(["hyperfine", "-N", "--warmup", "100", "--runs", str(runs),
                        "--export-json", out.name, f"{guard} /bin/true", "/bin/true"],
                       check=True, stdout=subprocess.DEVNULL)
        return json.load(out)["results"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("guard", nargs="?", default="build/default/guard/parlevox-guard")
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--hyperfine-runs", type=int, default=2000)
    args = parser.parse_args()
    guard = os.path.abspath(args.guard)
    # The guard, orphaned when its parent is killed, comes to this process to be reaped.
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER

    latencies = [one_reaction(guard) / 1e6 for _ in range(args.runs)]
    print(f"reaction over {args.runs} runs: median {statistics.median(latencies):.3f} ms, "
          f"max {max(latencies):.3f} ms, min {min(latencies):.3f} ms")

    guarded, direct = startup(guard, args.hyperfine_runs)
    for name, result in (("guarded", guarded), ("direct", direct)):
        print(f"{name:8} /bin/true: mean {result['mean'] * 1e3:.3f} ms "
              f"(sd {result['stddev'] * 1e3:.3f}), median {result['median'] * 1e3:.3f} ms")
    print(f"start-up overhead: mean {(guarded['mean'] - direct['mean']) * 1e3:.3f} ms, "
          f"median {(guarded['median'] - direct['median']) * 1e3:.3f} ms")


if __name__ == "__main__":
    main()
