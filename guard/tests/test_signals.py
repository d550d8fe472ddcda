#!/usr/bin/env python3
"""parlevox-guard passes termination signals on to its child's whole group and keeps waiting."""
import os
import signal

import guard_support
from guard_support import GuardTest, probe

FORWARDED = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


class ForwardingTest(GuardTest):
    def test_signal_reaches_child_and_grandchild_and_guard_mirrors_child(self):
        for sig in FORWARDED:
            with self.subTest(signal=sig.name):
                guard = self.start_guard(*probe("--grandchild", "exit"))
                child = self.child_started()
                self.expect("child ready")
                guard.send_signal(sig)
                self.expect(f"child got {int(sig)}")
                self.expect(f"grandchild got {int(sig)}")
                # The child exits with 40 + signal: the guard outlived the signal and mirrors it.
                self.assertEqual(guard.wait(10), 40 + sig)
                self.assert_nothing_left(child["pid"])

    def test_signals_ignored_or_blocked_by_parent_are_default_in_child(self):
        parent_args = []
        for sig in FORWARDED:
            parent_args += ["--ignore", sig.name, "--block", sig.name]
        parent, guard = self.start_under_parent(*probe("--on-signal", "default"),
                                                parent_args=parent_args)
        child = self.child_started()
        mask = sum(1 << (sig - 1) for sig in FORWARDED)
        self.assertEqual(int(child["ign"], 16) & mask, 0, "ignored in the child")
        self.assertEqual(int(child["blk"], 16) & mask, 0, "blocked in the child")
        self.expect("child ready")
        # The guard still forwards, and the child dies of SIGTERM by default.
        os.kill(guard, signal.SIGTERM)
        self.assertEqual(self.expect("guard-exit"), f"guard-exit {128 + signal.SIGTERM}")
        self.assertEqual(parent.wait(10), 0)
        self.assert_nothing_left(child["pid"])


if __name__ == "__main__":
    guard_support.main()
