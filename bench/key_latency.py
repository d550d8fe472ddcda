#!/usr/bin/env python3
"""Key-event latency of parlevox-helper, idle and while decodes keep its background pool busy.

Usage: bench/key_latency.py HELPER [--seconds S] [--interval MS] [--decodes N]
An armed helper on a simulated desktop plays a timed script of key presses and releases (one
every MS/2 milliseconds for S seconds) through its event tap. For each "key" event this measures
the time from the event's "ts" to the moment its line arrives here; both are CLOCK_MONOTONIC.
The script runs twice: with the helper otherwise idle, then with decodes of a 10-minute stereo
AAC file kept running on the background pool (N at a time; a new one whenever one answers).
Prints p50, p99 and the worst latency of each phase, and the load average around each.
"""
import argparse
import json
import os
import select
import subprocess
import sys
import tempfile
import time

APP = {"pid": 601, "bundle": "com.example.writer", "name": "Writer",
       "path": "/Applications/Writer.app"}
LETTERS = [f"Key{c}" for c in "ASDFGHJKLQWERTYUIOPZXCVBNM"]
START_MS = 1000  # the script's first key, after arming and the first decodes have started


def make_input(folder):
    path = os.path.join(folder, "speech.m4a")
    subprocess.run(["ffmpeg", "-v", "error", "-y",
                    "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=600",
                    "-f", "lavfi", "-i", "anoisesrc=sample_rate=44100:amplitude=0.1:duration=600",
                    "-filter_complex", "[0][1]amerge=inputs=2", "-c:a", "aac", "-b:a", "128k",
                    path], check=True)
    return path


def script(seconds, interval_ms):
    steps = []
    for i in range(int(seconds * 1000 / interval_ms)):
        at = START_MS + i * interval_ms
        key = LETTERS[i % len(LETTERS)]
        steps.append({"at": at, "press": key})
        steps.append({"at": at + interval_ms / 2, "release": key})
    return steps


def run(helper, folder, steps, audio, decodes):
    """Latencies in ms of every "key" event, and how many decodes answered meanwhile."""
    scenario = os.path.join(folder, "scenario.json")
    with open(scenario, "w") as f:
        json.dump({"apps": [APP], "frontmost": 601, "input": steps}, f)
    env = dict(os.environ, PARLEVOX_DESKTOP=scenario)
    proc = subprocess.Popen([helper], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, env=env)
    next_id = 1

    def send(command):
        nonlocal next_id
        command["id"] = next_id
        next_id += 1
        proc.stdin.write((json.dumps(command) + "\n").encode())
        proc.stdin.flush()
        return command["id"]

    send({"cmd": "arm", "armed": True})
    slots = {}  # decode id -> output slot
    for slot in range(decodes):
        slots[send({"cmd": "decode", "path": audio,
                    "out": os.path.join(folder, f"out{slot}.wav")})] = slot
    expected = sum(1 for s in steps if "press" in s or "release" in s)
    latencies, answered, buffer = [], 0, b""
    fd = proc.stdout.fileno()
    deadline = time.monotonic() + START_MS / 1000 + steps[-1]["at"] / 1000 + 30
    while len(latencies) < expected and time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 1.0)
        if not ready:
            continue
        chunk = os.read(fd, 1 << 16)
        arrived = time.monotonic() * 1000
        if not chunk:
            break
        buffer += chunk
        *lines, buffer = buffer.split(b"\n")
        for raw in lines:
            line = json.loads(raw)
            if line.get("t") == "key":
                latencies.append(arrived - line["ts"])
            elif line.get("id") in slots:
                answered += 1
                slot = slots.pop(line["id"])
                if not line.get("ok"):
                    sys.exit(f"decode failed: {line}")
                slots[send({"cmd": "decode", "path": audio,
                            "out": os.path.join(folder, f"out{slot}.wav")})] = slot
    status = proc.poll()
    proc.stdin.close()
    proc.kill()
    proc.wait()
    if len(latencies) < expected:
        sys.exit(f"only {len(latencies)} of {expected} key events arrived "
                 f"(helper exit status {status})")
    return latencies, answered


def quantile(values, q):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(q * len(ordered)))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("helper")
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--interval", type=float, default=10, help="ms between key presses")
    parser.add_argument("--decodes", type=int, default=4, help="decodes running at a time")
    args = parser.parse_args()
    steps = script(args.seconds, args.interval)
    with tempfile.TemporaryDirectory() as folder:
        audio = make_input(folder)
        print(f"{len(steps)} key events per phase; latency from \"ts\" to arrival, ms")
        print(f"{'phase':>22} {'p50':>7} {'p99':>7} {'max':>7} {'decodes':>8}  load before/after")
        for name, decodes in (("idle", 0), (f"{args.decodes} decodes queued", args.decodes)):
            before = os.getloadavg()[0]
            latencies, answered = run(args.helper, folder, steps, audio, decodes)
            after = os.getloadavg()[0]
            print(f"{name:>22} {quantile(latencies, 0.5):>7.3f} {quantile(latencies, 0.99):>7.3f} "
                  f"{max(latencies):>7.3f} {answered:>8}  {before:.2f}/{after:.2f}")


if __name__ == "__main__":
    main()
