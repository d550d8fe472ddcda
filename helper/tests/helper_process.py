"""Runs parlevox-helper as the main application would: commands in, lines out, a scenario."""

import json
import os
import select
import subprocess
import tempfile
import time

HELPER = os.environ.get("PARLEVOX_HELPER", "../../build/default/helper/parlevox-helper")


class Helper:
    """A running helper on a scenario written to a temporary folder."""

    def __init__(self, scenario=None, args=(), stdin=subprocess.PIPE, record=True):
        self.dir = tempfile.TemporaryDirectory()
        self.record_path = os.path.join(self.dir.name, "record.jsonl")
        env = dict(os.environ)
        if scenario is not None:
            scenario = dict(scenario)
            if record:
                scenario.setdefault("record", self.record_path)
            path = os.path.join(self.dir.name, "scenario.json")
            with open(path, "w") as f:
                json.dump(scenario, f)
            env["PARLEVOX_DESKTOP"] = path
        self.proc = subprocess.Popen([HELPER, *args], stdin=stdin, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=env)
        self._buffer = b""

    def send(self, *commands):
        for c in commands:
            line = c if isinstance(c, (bytes, str)) else json.dumps(c)
            if isinstance(line, str):
                line = line.encode()
            self.proc.stdin.write(line + (b"" if line.endswith(b"\n") else b"\n"))
        self.proc.stdin.flush()

    def line(self, timeout=5.0):
        """The next output line as an object; None when none comes within the timeout."""
        deadline = time.monotonic() + timeout
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

    def lines_until(self, predicate, timeout=5.0):
        """Lines up to and including the first one the predicate accepts."""
        seen = []
        deadline = time.monotonic() + timeout
        while True:
            line = self.line(max(0.0, deadline - time.monotonic()))
            if line is None:
                raise AssertionError(f"no matching line; saw {seen}")
            seen.append(line)
            if predicate(line):
                return seen

    def reply(self, id, timeout=5.0):
        return self.lines_until(lambda l: l.get("id") == id, timeout)[-1]

    def ask(self, command, timeout=5.0):
        self.send(command)
        return self.reply(command["id"], timeout)

    def record(self):
        try:
            with open(self.record_path) as f:
                return [json.loads(l) for l in f if l.strip()]
        except FileNotFoundError:
            return []

    def close_stdin(self):
        self.proc.stdin.close()

    def wait(self, timeout=5.0):
        return self.proc.wait(timeout)

    def rest(self):
        """Everything written after the lines already read, once the process has ended."""
        out = self._buffer + self.proc.stdout.read()
        return [json.loads(l) for l in out.splitlines() if l.strip()]

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            if stream and not stream.closed:
                stream.close()
        self.dir.cleanup()
