"""Starting the application when its socket is not there: a stand-in `gtk-launch` on PATH
starts the reference application, and parlevox polls until the socket answers or gives up."""
import json
import os
import signal
import stat
import unittest

from support import NOT_RUNNING, REFERENCE_APP, TempDirTestCase, base_env, error_output, run


class LaunchTest(TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.bin_dir = os.path.join(self.dir, "bin")
        os.mkdir(self.bin_dir)
        self.default_socket = os.path.join(self.dir, "Library/Application Support/Parlevox/api.sock")

    def stand_in_launcher(self, delay_seconds):
        """A gtk-launch that logs its arguments, chats on stdout and stderr, and starts the
        reference application on the default socket after `delay_seconds`."""
        log, pid_file = os.path.join(self.dir, "launches"), os.path.join(self.dir, "app.pid")
        script = (f'#!/bin/sh\necho "$@" >> {log}\necho "launcher on stdout"\n'
                  f'echo "launcher on stderr" >&2\n'
                  f'(sleep {delay_seconds}; exec {REFERENCE_APP}) </dev/null >/dev/null 2>&1 &\n'
                  f'echo $! > {pid_file}\n')
        path = os.path.join(self.bin_dir, "gtk-launch")
        with open(path, "w") as f:
            f.write(script)
        os.chmod(path, stat.S_IRWXU)
        self.addCleanup(self.stop_app, pid_file)
        return log

    def stop_app(self, pid_file):
        try:
            with open(pid_file) as f:
                os.kill(int(f.read()), signal.SIGTERM)
        except (FileNotFoundError, ProcessLookupError, ValueError):
            pass

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
        result = run(["app.info"], base_env(self.dir, PATH=self.bin_dir))
        self.assertEqual((result.stdout, result.stderr, result.returncode),
                         (error_output(-32004, "unavailable", NOT_RUNNING.decode()),
                          b"parlevox: " + NOT_RUNNING + b"\n", 3))


if __name__ == "__main__":
    unittest.main()
