"""Shared fixture of the guard's black-box tests: the binary, a report pipe and process hygiene.

Every process a test starts writes its reports to one pipe. The test process is a child subreaper,
so a guard whose parent was killed comes to it: the test collects the guard's status and checks
that no process of the test is left over, running or unreaped.
"""
import ctypes
import os
import select
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
GUARD = ""
PR_SET_CHILD_SUBREAPER = 36


def main():
    """Runs the tests of the calling script; the guard binary is the first argument."""
    global GUARD
    GUARD = os.path.abspath(sys.argv.pop(1))
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "cannot become a child subreaper")
    unittest.main()


def probe(*args):
    """Command line of the stand-in child (probe.py)."""
    return [sys.executable, os.path.join(HERE, "probe.py"), *args]


def process_table():
    """Maps each pid to (state, ppid, pgid)."""
    table = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as stat_file:
                stat = stat_file.read()
        except OSError:
            continue
        fields = stat[stat.rindex(")") + 2:].split()
        table[int(name)] = (fields[0], int(fields[1]), int(fields[2]))
    return table


class GuardTest(unittest.TestCase):
    def setUp(self):
        self.report_r, self.report_w = os.pipe()
        self.env = dict(os.environ, PVX_REPORT_FD=str(self.report_w))
        self.pending = b""
        self.lines = []
        self.groups = set()
        self.addCleanup(self._kill_leftovers)

    def start_guard(self, *command, **popen):
        """Starts the guard as a child of the test."""
        return subprocess.Popen([GUARD, *command], env=self.env, pass_fds=(self.report_w,),
                                **popen)

    def start_under_parent(self, *command, parent_args=()):
        """Starts the guard under parent.py; returns the parent's Popen and the guard's pid."""
        parent = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "parent.py"), *parent_args, "--", GUARD,
             *command], env=self.env, pass_fds=(self.report_w,), stdin=subprocess.DEVNULL)
        return parent, int(self.expect("guard ").split()[1])

    def expect(self, prefix, timeout=10):
        """Takes the first report line starting with prefix, waiting for it up to timeout."""
        deadline = time.monotonic() + timeout
        while True:
            for i, line in enumerate(self.lines):
                if line.startswith(prefix):
                    return self.lines.pop(i)
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.report_r], [], [], left)[0]:
                self.fail(f"no report {prefix!r}; unclaimed: {self.lines}")
            self.pending += os.read(self.report_r, 4096)
            *complete, self.pending = self.pending.split(b"\n")
            self.lines += [line.decode() for line in complete]

    def child_started(self):
        """Waits for the child's start report and checks that it leads its own group."""
        words = self.expect("child start").split()[2:]
        child = dict(word.split("=") for word in words)
        child["pid"], child["pgid"] = int(child["pid"]), int(child["pgid"])
        self.assertEqual(child["pgid"], child["pid"], "the child does not lead its own group")
        self.groups.add(child["pgid"])  # only a group of its own: cleanup kills the whole group
        return child

    def reap(self, pid, timeout=15):
        """Exit code of a process that is, or will become, a child of the test."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                done, status = os.waitpid(pid, os.WNOHANG)
                if done:
                    return os.waitstatus_to_exitcode(status)
            except ChildProcessError:
                pass  # not handed to the test yet
            time.sleep(0.01)
        self.fail(f"process {pid} did not end")

    def assert_nothing_left(self, child_pid, timeout=5):
        """Checks that the guarded child was reaped by the guard and that no process of the test
        (orphans come to the test) or of the child's group outlives the grace time."""
        me = os.getpid()
        deadline = time.monotonic() + timeout
        while True:
            live = []
            for pid, (state, ppid, pgid) in process_table().items():
                if ppid != me and pgid not in self.groups:
                    continue
                if state != "Z":
                    live.append(pid)
                elif ppid == me:
                    self.assertNotEqual(pid, child_pid, "the guard left its child unreaped")
                    os.waitpid(pid, 0)
            if not live:
                return
            if time.monotonic() > deadline:
                self.fail(f"processes left behind: {live}")
            time.sleep(0.02)

    def _kill_leftovers(self):
        # Orphans come to the test one by one as their parents die: kill and reap in rounds.
        me = os.getpid()
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            for pid, (state, ppid, pgid) in process_table().items():
                if state != "Z" and (ppid == me or pgid in self.groups):
                    try:
                        os.kill(pid, 9)
                    except ProcessLookupError:
                        pass
            try:
                while os.waitpid(-1, os.WNOHANG)[0]:
                    pass
            except ChildProcessError:
                break
            time.sleep(0.01)
        os.close(self.report_r)
        os.close(self.report_w)
