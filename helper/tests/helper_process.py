"""Runs parlevox-helper as the main application would: commands in, lines out, a scenario."""

import json
import os
import resource
import select
import subprocess
import tempfile
import time

HELPER = os.environ.get("PARLEVOX_HELPER", "../../build/default/helper/parlevox-helper")
# Sanitizer builds run several times slower: every wait for a line or an exit is that much longer
# there. The waits only bound a hang; no test measures time through them.
SLOWDOWN = float(os.environ.get("PARLEVOX_TEST_SLOWDOWN", "1"))


class Helper:
    """A running helper, on a scenario written to a temporary folder or on a scenario file."""

    def __init__(self, scenario=None, args=(), stdin=subprocess.PIPE, record=True, env=None,
                 cwd=None, scenario_path=None, timeout=5.0, memory_limit=None):
        self.timeout = timeout  # how long to wait for a line unless a call says otherwise
        self.dir = tempfile.TemporaryDirectory()
        self.record_path = os.path.join(self.dir.name, "record.jsonl")
        env = dict(os.environ if env is None else env)
        if scenario_path is not None:
            env["PARLEVOX_DESKTOP"] = scenario_path
        elif scenario is not None:
            scenario = dict(scenario)
            if record:
                scenario.setdefault("record", self.record_path)
            path = os.path.join(self.dir.name, "scenario.json")
            with open(path, "w") as f:
                json.dump(scenario, f)
            env["PARLEVOX_DESKTOP"] = path
        def limit_memory():
            if memory_limit is not None:
                resource.setrlimit(resource.RLIMIT_AS, (memory_limit, memory_limit))

        self.proc = subprocess.Popen([HELPER, *args], stdin=stdin, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=env, cwd=cwd,
                                     preexec_fn=limit_memory)
        self._buffer = b""

    def send(self, *commands, **fields):
        """Writes each command as one line; keyword fields make one command of their own."""
        for c in commands or (fields,):
            line = c if isinstance(c, (bytes, str)) else json.dumps(c)
            if isinstance(line, str):
                line = line.encode()
            self.proc.stdin.write(line + (b"" if line.endswith(b"\n") else b"\n"))
        self.proc.stdin.flush()

    def line(self, timeout=None):
        """The next output line as an object; None when none comes within the timeout."""
        deadline = time.monotonic() + (self.timeout if timeout is None else timeout) * SLOWDOWN
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if not ready:
                return None
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                return None
            self._buffer += chunk
        raw, self._buffer = self._buffer.split(b"\n", 1)
        return json.loads(raw)

    def lines_until(self, predicate, timeout=None):
        """Lines up to and including the first one the predicate accepts."""
        seen = []
        deadline = time.monotonic() + (self.timeout if timeout is None else timeout) * SLOWDOWN
        while True:
            line = self.line(max(0.0, deadline - time.monotonic()))
            if line is None:
                raise AssertionError(f"no matching line; saw {seen}")
            seen.append(line)
            if predicate(line):
                return seen

    def reply(self, id, timeout=None):
        return self.lines_until(lambda l: l.get("id") == id, timeout)[-1]

    def replies(self, ids, timeout=None):
        """The replies to the commands with these ids, in whatever order they come."""
        got = {}

        def collect(line):
            if "id" in line:
                got[line["id"]] = line
            return set(got) >= set(ids)

        self.lines_until(collect, timeout)
        return got

    def ask(self, command=None, timeout=None, **fields):
        command = command or fields
        self.send(command)
        return self.reply(command["id"], timeout)

    def memory_kib(self, key="VmRSS"):
        """A memory figure of the running helper from /proc: "VmRSS" now, "VmHWM" at its peak."""
        with open(f"/proc/{self.proc.pid}/status") as f:
            return next(int(l.split()[1]) for l in f if l.startswith(key + ":"))

    def record(self, times=False):
        """What the desktop was asked to do, in order; with `times`, each entry keeps its "ms"."""
        try:
            with open(self.record_path) as f:
                entries = [json.loads(l) for l in f if l.strip()]
        except FileNotFoundError:
            return []
        if not times:
            for e in entries:
                e.pop("ms", None)
        return entries

    def close_stdin(self):
        self.proc.stdin.close()

    def wait(self, timeout=None):
        return self.proc.wait((self.timeout if timeout is None else timeout) * SLOWDOWN)

    def finish(self, close=True, timeout=None):
        """Exit status and everything written to stderr once the helper has ended: after end of
        input when `close`, otherwise by whatever was done to it."""
        if close and not self.proc.stdin.closed:
            self.proc.stdin.close()
        status = self.wait(timeout)
        return status, self.proc.stderr.read()

    def rest(self):
        """Everything written after the lines already read, once the process has ended."""
        out = self._buffer + self.proc.stdout.read()
        return [json.loads(l) for l in out.splitlines() if l.strip()]

    def stop(self):
        """Kills the helper if it still runs and releases its pipes and folder."""
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            if stream and not stream.closed:
                try:
                    stream.close()
                except BrokenPipeError:
                    pass
        self.dir.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
