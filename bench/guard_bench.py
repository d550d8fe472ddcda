#!/usr/bin/env python3
"""Measures parlevox-guard: how soon the child hears of its parent's death, and the start-up cost.

usage: bench/guard_bench.py [path/to/parlevox-guard] [--runs N] [--rounds N] [--hyperfine-runs N]

Reaction: a stand-in parent starts the guard around a child that waits for SIGTERM; the
benchmark kills the parent with SIGKILL and takes the time from just before that kill to the
child's receipt of SIGTERM (both read from CLOCK_MONOTONIC). Start-up: hyperfine compares
`parlevox-guard /bin/true` with `/bin/true` run directly, in alternating rounds.
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


def startup(guard, rounds, runs):
    """Per round, hyperfine's median wall time and mean CPU time (user + system) of the guarded
    and the direct run, in ms. Rounds alternate the two so that changing load hits both alike."""
    samples = []
    for _ in range(rounds):
        with tempfile.NamedTemporaryFile(suffix=".json") as out:
            subprocess.run(["hyperfine", "-N", "--warmup", "50", "--runs", str(runs),
                            "--export-json", out.name, f"{guard} /bin/true", "/bin/true"],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            results = json.load(out)["results"]
        samples.append([(r["median"] * 1e3, (r["user"] + r["system"]) * 1e3) for r in results])
    return samples


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("guard", nargs="?", default="build/default/guard/parlevox-guard")
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--hyperfine-runs", type=int, default=400)
    args = parser.parse_args()
    guard = os.path.abspath(args.guard)
    # The guard, orphaned when its parent is killed, comes to this process to be reaped.
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER

    latencies = [one_reaction(guard) / 1e6 for _ in range(args.runs)]
    print(f"reaction over {args.runs} runs: median {statistics.median(latencies):.3f} ms, "
          f"max {max(latencies):.3f} ms, min {min(latencies):.3f} ms")

    samples = startup(guard, args.rounds, args.hyperfine_runs)
    median = statistics.median
    for name, k in (("guarded", 0), ("direct", 1)):
        print(f"{name:8} /bin/true: median wall {median([s[k][0] for s in samples]):.3f} ms, "
              f"cpu {median([s[k][1] for s in samples]):.3f} ms")
    wall = median([s[0][0] - s[1][0] for s in samples])
    cpu = median([s[0][1] - s[1][1] for s in samples])
    print(f"start-up overhead over {args.rounds} rounds: wall {wall:.3f} ms, cpu {cpu:.3f} ms "
          "(medians of per-round differences)")


if __name__ == "__main__":
    main()
