#!/usr/bin/env python3
"""windowShot with text recognition against the tesseract command line on the same picture.

Usage: bench/window_shot_vs_tesseract.py HELPER [--runs N]
Renders bench/page_of_text.json (a 1280 x 800 window of English and Russian text), puts it on a
simulated desktop as a 640 x 400 point window (captured at 1280 x 800, the picture's own size),
and times, alternating in one run:
- `windowShot` in one running helper: the first call (the engine loads its models) and the later
  ones (warm), from writing the command to reading its reply;
- `tesseract PAGE - -l rus+eng --oem 1` (the same engine, languages and page layout analysis),
  once as installed and once with OMP_THREAD_LIMIT=1 (one thread, as the helper runs it).
Prints the medians, the ratio, the recognised text side by side, and the helper's peak resident
memory with one shot and with four shots in flight.
"""
import argparse
import json
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
LAYOUT = os.path.join(ROOT, "bench", "page_of_text.json")
RENDER = os.path.join(ROOT, "scripts", "render_text_picture.py")


class Helper:
    def __init__(self, helper, scenario):
        env = dict(os.environ, PARLEVOX_DESKTOP=scenario)
        self.proc = subprocess.Popen([helper, "--no-keys"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, env=env)
        self.buffer = b""
        self.next_id = 1
        self.read_line()  # ready

    def read_line(self):
        while b"\n" not in self.buffer:
            select.select([self.proc.stdout], [], [], 120)
            chunk = os.read(self.proc.stdout.fileno(), 1 << 20)
            if not chunk:
                sys.exit("the helper ended")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return json.loads(line)

    def shots(self, count):
        """Sends `count` windowShot commands at once; returns (seconds, replies)."""
        ids = list(range(self.next_id, self.next_id + count))
        self.next_id += count
        lines = b"".join(json.dumps({"cmd": "windowShot", "pid": 401, "id": i}).encode() + b"\n"
                         for i in ids)
        start = time.monotonic()
        self.proc.stdin.write(lines)
        self.proc.stdin.flush()
        replies = {}
        while len(replies) < count:
            line = self.read_line()
            if line.get("id") in ids:
                replies[line["id"]] = line
        return time.monotonic() - start, [replies[i] for i in ids]

    def cpu_seconds(self):
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def peak_rss_kib(self):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0

    def close(self):
        self.proc.stdin.close()
        self.proc.wait(10)


def cli(picture, env):
    """Runs the command line once; returns (wall seconds, CPU seconds, recognised text)."""
    start = time.monotonic()
    proc = subprocess.Popen(["tesseract", picture, "-", "-l", "rus+eng", "--oem", "1"], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.stdout.close()
    if status != 0:
        sys.exit(f"tesseract failed with status {status}")
    return wall, usage.ru_utime + usage.ru_stime, out


def lines_of(text):
    return [" ".join(l.split()) for l in text.splitlines() if l.strip()]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("helper")
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()
    folder = tempfile.mkdtemp()
    picture = os.path.join(folder, "page.png")
    subprocess.run([sys.executable, RENDER, LAYOUT, picture], check=True)
    scenario = os.path.join(folder, "desk.json")
    with open(scenario, "w") as f:
        json.dump({"apps": [{"pid": 401, "bundle": "com.example.page"}],
                   "windows": [{"pid": 401, "title": "Page",
                                "frame": {"x": 0, "y": 0, "width": 640, "height": 400},
                                "picture": "page.png"}]}, f)

    helper = Helper(args.helper, scenario)
    first, (reply,) = helper.shots(1)
    if not reply.get("ok"):
        sys.exit(f"windowShot failed: {reply}")
    one_shot_rss = helper.peak_rss_kib()
    warm, default_cli, single_cli = [], [], []
    warm_cpu, default_cpu, single_cpu = [], [], []
    cli_text = None
    single_env = dict(os.environ, OMP_THREAD_LIMIT="1")
    for _ in range(args.runs):
        cpu = helper.cpu_seconds()
        seconds, (reply,) = helper.shots(1)
        warm.append(seconds)
        warm_cpu.append(helper.cpu_seconds() - cpu)
        seconds, cpu, cli_text = cli(picture, os.environ)
        default_cli.append(seconds)
        default_cpu.append(cpu)
        seconds, cpu, _ = cli(picture, single_env)
        single_cli.append(seconds)
        single_cpu.append(cpu)
    helper.close()

    # Memory: a fresh helper, four shots sent at once.
    fresh = Helper(args.helper, scenario)
    four_seconds, four = fresh.shots(4)
    four_rss = fresh.peak_rss_kib()
    fresh.close()

    ours, theirs = lines_of(reply["text"]), lines_of(cli_text)
    median = statistics.median
    print(f"load average at the end: {os.getloadavg()[0]:.2f}")
    print(f"| what | median wall s ({args.runs} runs) | min wall s | median CPU s |")
    print("|---|---|---|---|")
    print(f"| windowShot, first call (engine loads) | {first:.3f} | | |")
    for name, walls, cpus in (("windowShot, warm", warm, warm_cpu),
                              ("tesseract CLI as installed", default_cli, default_cpu),
                              ("tesseract CLI, OMP_THREAD_LIMIT=1", single_cli, single_cpu)):
        print(f"| {name} | {median(walls):.3f} | {min(walls):.3f} | {median(cpus):.2f} |")
    print(f"| ratio warm / CLI as installed | {median(warm) / median(default_cli):.2f} | "
          f"{min(warm) / min(default_cli):.2f} | {median(warm_cpu) / median(default_cpu):.2f} |")
    print(f"| ratio warm / CLI one thread | {median(warm) / median(single_cli):.2f} | "
          f"{min(warm) / min(single_cli):.2f} | {median(warm_cpu) / median(single_cpu):.2f} |")
    print(f"\nsame lines as the CLI: {ours == theirs}; same words: "
          f"{' '.join(ours).split() == ' '.join(theirs).split()}")
    print(f"four shots in flight: all ok {all(r.get('ok') for r in four)}, "
          f"{four_seconds:.3f} s for all four")
    print(f"peak RSS: one shot {one_shot_rss / 1024:.1f} MiB, four in flight "
          f"{four_rss / 1024:.1f} MiB\n")
    width = max(len(l) for l in ours + theirs)
    print(f"{'windowShot':<{width}} | tesseract CLI")
    for i in range(max(len(ours), len(theirs))):
        a = ours[i] if i < len(ours) else ""
        b = theirs[i] if i < len(theirs) else ""
        print(f"{a:<{width}} | {b}{'' if a == b else '   <-- differs'}")


if __name__ == "__main__":
    main()
