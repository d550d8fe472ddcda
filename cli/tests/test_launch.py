"""Starting the application when its socket is not there: a stand-in `gtk-launch` on PATH
starts the reference application, and parlevox polls until the socket answers or gives up."""
import json
import os
import time
import unittest

from support import NOT_RUNNING, TempDirTestCase, base_env, error_output, run


class LaunchTest(TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.bin_dir = os.path.join(self.dir, "bin")
        os.mkdir(self.bin_dir)
        self.default_socket = os.path.join(self.dir, "Library/Application Support/Parlevox/api.sock")

    def stand_in_launcher(self, delay_seconds):
        return super().stand_in_launcher(self.bin_dir, delay_seconds)

    def test_stand_in_launcher_starts_the_app_and_the_call_goes_through(self):
        log = self.stand_in_launcher(delay_seconds=1)  # a few polls go unanswered first
        result = run(["app.info"], base_env(self.dir, PATH=self.bin_dir + ":/usr/bin:/bin"))
        # The launcher reads nothing of ours and its stdout goes to stderr, never into the answer.
        self.assertEqual((result.returncode, result.stderr),
                         (0, b"launcher on stdout\nlauncher on stderr\n"))
        self.assertEqual(json.loads(result.stdout)["socket"], self.default_socket)
        with open(log) as f:
            self.assertEqual(f.read(), "com.parlevox.app\n")

    def test_gives_up_after_25_seconds_when_no_launcher_can_start(self):
        # The schedule of the attempts is checked in virtual time by the unit tests (PollForApp);
        # this checks that the binary really waits on the real clock, and no longer.
        start = time.monotonic()
        result = run(["app.info"], base_env(self.dir, PATH=self.bin_dir))
        elapsed = time.monotonic() - start
        self.assertEqual((result.stdout, result.stderr, result.returncode),
                         (error_output(-32004, "unavailable", NOT_RUNNING.decode()),
                          b"parlevox: " + NOT_RUNNING + b"\n", 3))
        # It gives up at the first check once 25 whole seconds have passed (25.2 s on an idle
        # machine, where sleeps do not overshoot); a loaded machine may add a little.
        self.assertGreaterEqual(elapsed, 25.0)
        self.assertLess(elapsed, 35)


if __name__ == "__main__":
    unittest.main()
