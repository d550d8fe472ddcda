#!/usr/bin/env python3
"""Stand-in for the program that starts the guard: forks it, reports its pid, waits for it.

usage: parent.py [--ignore SIG]... [--block SIG]... -- <guard> <command> [args...]
The named signals are ignored or blocked in the guard's process before it is executed, as a
parent with that signal state would pass them on. Reports "guard <pid>" and, if it outlives the
guard, "guard-exit <code>" (negative for a signal) to the descriptor named by PVX_REPORT_FD.
"""
import argparse
import os
import signal

REPORT_FD = int(os.environ["PVX_REPORT_FD"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ignore", action="append", default=[])
    parser.add_argument("--block", action="append", default=[])
    parser.add_argument("argv", nargs="+")
    args = parser.parse_args()

    pid = os.fork()
    if pid == 0:
        for name in args.ignore:
            signal.signal(signal.Signals[name], signal.SIG_IGN)
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.Signals[name] for name in args.block])
        try:
            os.execv(args.argv[0], args.argv)
        finally:
            os._exit(127)
    os.write(REPORT_FD, f"guard {pid}\n".encode())
    _, status = os.waitpid(pid, 0)
    os.write(REPORT_FD, f"guard-exit {os.waitstatus_to_exitcode(status)}\n".encode())


if __name__ == "__main__":
    main()
