#!/usr/bin/env python3
"""When the guard's parent dies, the child's group is stopped: SIGTERM, then SIGKILL."""
import signal
import time

import guard_support
from guard_support import GuardTest, probe


class ParentDeathTest(GuardTest):
    def test_killed_parent_sends_sigterm_to_child_group(self):
        parent, guard = self.start_under_parent(*probe("--grandchild", "exit"))
        child = self.child_started()
        self.expect("child ready")
        parent.kill()  # left unreaped for now: a zombie parent has ended too
        self.expect(f"child got {int(signal.SIGTERM)}")
        self.expect(f"grandchild got {int(signal.SIGTERM)}")
        parent.wait(10)
        self.assertEqual(self.reap(guard), 40 + signal.SIGTERM)
        self.assert_nothing_left(child["pid"])

    def test_group_ignoring_sigterm_is_killed_after_grace(self):
        parent, guard = self.start_under_parent(
            *probe("--on-signal", "ignore-term", "--grandchild", "ignore-term"))
        child = self.child_started()
        self.expect("child ready")
        killed_at = time.monotonic()
        parent.kill()
        parent.wait(10)
        self.assertEqual(self.reap(guard), 128 + signal.SIGKILL)
        self.assertGreater(time.monotonic() - killed_at, 2.5, "no grace period before SIGKILL")
        self.assert_nothing_left(child["pid"], timeout=1)
        self.assertNotIn(f"child got {int(signal.SIGTERM)}", self.lines)

    def test_grandchild_ignoring_sigterm_does_not_outlive_the_parent(self):
        parent, guard = self.start_under_parent(*probe("--grandchild", "ignore-term"))
        child = self.child_started()
        self.expect("child ready")
        parent.kill()
        parent.wait(10)
        self.expect(f"child got {int(signal.SIGTERM)}")
        # The child's own status is kept although the rest of its group needed SIGKILL.
        self.assertEqual(self.reap(guard), 40 + signal.SIGTERM)
        self.assert_nothing_left(child["pid"], timeout=1)


if __name__ == "__main__":
    guard_support.main()
