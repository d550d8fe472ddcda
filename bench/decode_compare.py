#!/usr/bin/env python3
"""Whole-process comparison of the helper's "decode" with the ffmpeg command line.

Usage: bench/decode_compare.py HELPER [--runs N] [--codec mp3|aac]
Generates 1-minute and 10-minute stereo 44.1 kHz inputs, then decodes each with the helper
(start, one "decode" command, end of input) and with
`ffmpeg -v error -i IN -ac 1 -ar 16000 -c:a pcm_s16le -fflags +bitexact OUT`, alternating, and
prints the median wall time and peak resident memory of each, and whether the samples agree.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

CODECS = {"mp3": ("mp3", ["-c:a", "libmp3lame", "-b:a", "128k"]),
          "aac": ("m4a", ["-c:a", "aac", "-b:a", "128k"])}


def make_input(folder, minutes, codec):
    ext, args = CODECS[codec]
    path = os.path.join(folder, f"in{minutes}.{ext}")
    seconds = str(minutes * 60)
    subprocess.run(["ffmpeg", "-v", "error", "-y",
                    "-f", "lavfi", "-i", f"sine=frequency=440:sample_rate=44100:duration={seconds}",
                    "-f", "lavfi", "-i", f"anoisesrc=sample_rate=44100:amplitude=0.1:duration={seconds}",
                    "-filter_complex", "[0][1]amerge=inputs=2", *args, path], check=True)
    return path


def measure(argv, stdin_lines=None):
    """Runs argv to its end; returns (wall seconds, peak RSS in KiB, stdout lines)."""
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    lines = []
    if stdin_lines is not None:
        for line in stdin_lines:
            proc.stdin.write(line + "\n")
        proc.stdin.flush()
        # Wait for the reply: closing stdin earlier would end the helper before the decode.
        for line in proc.stdout:
            lines.append(line)
            if '"id":1' in line:
                break
    proc.stdin.close()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.stdout.close()
    if status != 0:
        sys.exit(f"{argv[0]} failed with status {status}")
    return wall, usage.ru_maxrss, lines, usage.ru_utime + usage.ru_stime


def helper_run(helper, path, out):
    command = json.dumps({"cmd": "decode", "id": 1, "path": path, "out": out})
    wall, rss, lines, cpu = measure([helper, "--no-keys"], [command])
    reply = json.loads(lines[-1])
    if not reply.get("ok"):
        sys.exit(f"decode failed: {reply}")
    return wall, rss, cpu


def ffmpeg_run(path, out):
    wall, rss, _, cpu = measure(["ffmpeg", "-v", "error", "-y", "-i", path, "-ac", "1", "-ar",
                                 "16000", "-c:a", "pcm_s16le", "-fflags", "+bitexact", out])
    return wall, rss, cpu


def samples(path):
    with open(path, "rb") as f:
        return f.read()[44:]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("helper")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--codec", choices=sorted(CODECS), default="aac")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        results = {}
        for minutes in (1, 10):
            path = make_input(folder, minutes, args.codec)
            ours, theirs = [], []
            for _ in range(args.runs):
                ours.append(helper_run(args.helper, path, os.path.join(folder, "h.wav")))
                theirs.append(ffmpeg_run(path, os.path.join(folder, "f.wav")))
            same = samples(os.path.join(folder, "h.wav")) == samples(os.path.join(folder, "f.wav"))
            results[minutes] = (ours, theirs, same)
        print(f"codec {args.codec}, {args.runs} runs each, medians")
        print(f"{'input':>8} {'helper s':>9} {'ffmpeg s':>9} {'ratio':>6} "
              f"{'helper MiB':>11} {'ffmpeg MiB':>11} {'ratio':>6} "
              f"{'helper cpu s':>13} {'ffmpeg cpu s':>13} same-pcm")
        for minutes, (ours, theirs, same) in results.items():
            hw, hm, hc = (statistics.median(r[i] for r in ours) for i in range(3))
            fw, fm, fc = (statistics.median(r[i] for r in theirs) for i in range(3))
            print(f"{minutes:>6} m {hw:>9.3f} {fw:>9.3f} {hw / fw:>6.2f} "
                  f"{hm / 1024:>11.1f} {fm / 1024:>11.1f} {hm / fm:>6.2f} "
                  f"{hc:>13.3f} {fc:>13.3f} {same}")
        short = statistics.median(r[1] for r in results[1][0])
        long = statistics.median(r[1] for r in results[10][0])
        print(f"helper peak memory, 10 min against 1 min: {long / short:.3f}")


if __name__ == "__main__":
    main()
