#!/usr/bin/env python3
"""Stand-in for a guarded command: reports what it sees and reacts to signals as it is told.

Reports go, one line each, to the file descriptor named by PVX_REPORT_FD:
  "<role> start pid=<pid> pgid=<pgid> ign=<hex> blk=<hex>"   ignored and blocked signal masks
  "<role> ready"                                               handlers set, grandchild running
  "<role> got <signal number>"                                 then exits with 40 + the signal
A child whose grandchild exits on signals waits for it before exiting itself.
"""
import argparse
import os
import signal
import subprocess
import sys

REPORT_FD = int(os.environ["PVX_REPORT_FD"])
FORWARDED = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


def report(line):
    os.write(REPORT_FD, (line + "\n").encode())


def signal_masks():
    fields = {}
    with open("/proc/self/status") as status:
        for line in status:
            key, _, value = line.partition(":")
            fields[key] = value.strip()
    return fields["SigIgn"], fields["SigBlk"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--role", default="child")
    # exit: report a forwarded signal and exit with 40 + it; ignore-term: as exit, but SIGTERM is
    # ignored; default: leave the inherited dispositions alone.
    parser.add_argument("--on-signal", default="exit", choices=("exit", "ignore-term", "default"))
    parser.add_argument("--grandchild", choices=("exit", "ignore-term"))
    args = parser.parse_args()

    ignored, blocked = signal_masks()
    report(f"{args.role} start pid={os.getpid()} pgid={os.getpgrp()} ign={ignored} blk={blocked}")

    grandchild = None

    def on_signal(sig, _frame):
        report(f"{args.role} got {sig}")
        if grandchild and args.grandchild == "exit":
            grandchild.wait()  # a well-behaved parent collects its children before it goes
        os._exit(40 + sig)

    if args.on_signal != "default":
        for sig in FORWARDED:
            signal.signal(sig, on_signal)
    if args.on_signal == "ignore-term":
        signal.signal(signal.SIGTERM, signal.SIG_IGN)

    if args.grandchild:
        grandchild = subprocess.Popen(
            [sys.executable, __file__, "--role", "grandchild", "--on-signal", args.grandchild],
            stdout=subprocess.PIPE, pass_fds=(REPORT_FD,))
        grandchild.stdout.readline()  # its "ready", written only once its handlers are in place
    if args.role == "grandchild":
        print("ready", flush=True)
    report(f"{args.role} ready")
    while True:
        signal.pause()


if __name__ == "__main__":
    main()
