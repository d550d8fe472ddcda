#!/usr/bin/env python3
"""parlevox-guard's command line, exit statuses and what its child inherits."""
import os
import signal
import subprocess
import tempfile

import guard_support
from guard_support import GuardTest, probe


class InvocationTest(GuardTest):
    def run_guard(self, *command, **run):
        run.setdefault("env", self.env)
        return subprocess.run([guard_support.GUARD, *command], capture_output=True, timeout=20,
                              pass_fds=(self.report_w,), **run)

    def test_without_command_prints_usage_and_exits_2(self):
        result = self.run_guard()
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (2, b"", b"usage: parlevox-guard <command> [args...]\n"))

    def test_command_that_cannot_be_executed_reports_exec_error_and_exits_127(self):
        with tempfile.TemporaryDirectory() as tmp:
            not_executable = os.path.join(tmp, "plain-file")
            open(not_executable, "w").close()
            cases = {"/nonexistent/command": "No such file or directory",
                     "pvx-command-not-on-path": "No such file or directory",
                     not_executable: "Permission denied"}
            for command, message in cases.items():
                with self.subTest(command=command):
                    result = self.run_guard(command, "arg")
                    self.assertEqual((result.returncode, result.stdout, result.stderr),
                                     (127, b"", f"parlevox-guard: exec: {message}\n".encode()))

    def test_exit_code_of_child_is_mirrored(self):
        for code in (0, 7, 255):
            with self.subTest(code=code):
                result = self.run_guard("sh", "-c", f"exit {code}")
                self.assertEqual((result.returncode, result.stderr), (code, b""))

    def test_child_ended_by_signal_gives_128_plus_signal(self):
        for sig in (signal.SIGKILL, signal.SIGUSR1):
            with self.subTest(signal=sig.name):
                result = self.run_guard("sh", "-c", f"kill -{int(sig)} $$")
                self.assertEqual(result.returncode, 128 + sig)

    def test_command_is_found_along_path_and_gets_arguments_as_given(self):
        with tempfile.TemporaryDirectory() as tmp:
            os.symlink("/bin/sh", os.path.join(tmp, "pvx-shell"))
            env = dict(self.env, PATH=tmp + os.pathsep + os.environ["PATH"])
            script = 'tr "\\0" "\\n" < /proc/$$/cmdline; true'  # prints the shell's own argv
            result = self.run_guard("pvx-shell", "-c", script, "x", "a b", "", env=env)
            self.assertEqual(result.stdout.decode().split("\n"),
                             ["pvx-shell", "-c", script, "x", "a b", "", ""])

    def test_streams_environment_and_directory_are_inherited(self):
        script = 'read line; echo "out $line $PVX_MARK $(pwd -P)"; echo "err $line" >&2'
        with tempfile.TemporaryDirectory() as tmp:
            result = self.run_guard("sh", "-c", script, input=b"hello\n", cwd=tmp,
                                    env=dict(self.env, PVX_MARK="marked"))
            self.assertEqual((result.returncode, result.stdout, result.stderr),
                             (0, f"out hello marked {os.path.realpath(tmp)}\n".encode(),
                              b"err hello\n"))

    def test_exit_code_is_kept_when_parent_ignored_sigchld(self):
        # An inherited ignored SIGCHLD would have the system reap the child behind the guard.
        parent, _ = self.start_under_parent("sh", "-c", "sleep 0.2; exit 7",
                                            parent_args=("--ignore", "SIGCHLD"))
        self.assertEqual(self.expect("guard-exit"), "guard-exit 7")
        self.assertEqual(parent.wait(10), 0)

    def test_child_leads_its_own_group_apart_from_the_guard(self):
        guard = self.start_guard(*probe())
        child = self.child_started()
        self.assertNotEqual(child["pgid"], os.getpgid(guard.pid))
        self.expect("child ready")
        guard.terminate()
        self.assertEqual(guard.wait(10), 40 + signal.SIGTERM)
        self.assert_nothing_left(child["pid"])


if __name__ == "__main__":
    guard_support.main()
