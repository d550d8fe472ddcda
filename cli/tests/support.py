"""Shared pieces of the parlevox black-box tests: running the binary, test peers, the help text."""
import os
import shutil
import signal
import socket
import stat
import subprocess
import tempfile
import threading
import time
import unittest

PARLEVOX = os.environ["PARLEVOX_BIN"]
REFERENCE_APP = os.environ["PARLEVOX_REFERENCE_APP_BIN"]
# The project's version as CMake sets it: the one text --version, the help and the MCP server show.
VERSION = os.environ["PARLEVOX_VERSION"]

HELP = ("parlevox " + VERSION + """ — control Parlevox (voice dictation) from a terminal or an agent.

USAGE
  parlevox describe                      list every operation with its JSON input schema
  parlevox <operation> [JSON | - | --input-file PATH | --field value …]
  parlevox mcp                           run as an MCP server on stdio
  parlevox --version | --help

An operation is written with a dot or a space: `commands.add` = `commands add`.
Input is one JSON object, `-` to read it from stdin, `--input-file PATH` to read it from a file
(UTF-8 or UTF-16), or flags for top-level fields (a flag's value is parsed as JSON when it is
valid JSON, otherwise taken as text).
The answer is JSON on stdout; errors go to stderr and stdout as {"error": …}.

EXAMPLES
  parlevox app.info
  parlevox commands list
  parlevox commands add - < command.json
  parlevox commands add --input-file command.json
  parlevox commands test --phrase "запусти сервер лендинга"
  parlevox commands run --id run_dev_server --values '{"project":"landing"}'
  parlevox settings set --changes '{"fieldMic":{"enabled":false}}'
  parlevox history search --search invoice --limit 5

EXIT CODES
  0 ok · 1 the operation failed · 2 bad usage or input · 3 Parlevox is not running
  4 the voice command waits for the user's approval in Parlevox → Automation

Starts Parlevox in the background when it is not running. Socket: $PARLEVOX_SOCKET,
or $PARLEVOX_USER_DATA/api.sock, or ~/Library/Application Support/Parlevox/api.sock.
""").encode()

NOT_RUNNING = b"Parlevox is not running (or is older than this CLI). Open Parlevox and try again."

# Variables passed through to the binary; everything else (CLAUDECODE, CODEX_HOME …) is left out.
_PASSED = ("PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS")


def usage_error(message: bytes) -> bytes:
    """What parlevox writes on stderr for bad usage or input."""
    return b"parlevox: " + message + b"\n\n" + HELP + b"\n"


def error_output(code: int, kind: str, message: str) -> bytes:
    """The pretty-printed error object parlevox writes on stdout for a failed call."""
    message = message.replace("\\", "\\\\").replace('"', '\\"')
    return (f'{{\n  "error": {{\n    "code": {code},\n    "kind": "{kind}",\n'
            f'    "message": "{message}"\n  }}\n}}\n').encode()


def base_env(home: str, **extra) -> dict:
    env = {k: os.environ[k] for k in _PASSED if k in os.environ}
    env["HOME"] = home
    env.update({k: v for k, v in extra.items() if v is not None})
    return env


def run(args, env, stdin=b"", timeout=60, cwd=None):
    """Runs parlevox with `args` (str or bytes items); `stdin` is bytes or an open file.
    Gives the CompletedProcess with bytes output."""
    feed = {"input": stdin} if isinstance(stdin, bytes) else {"stdin": stdin}
    return subprocess.run([PARLEVOX, *args], capture_output=True, env=env, timeout=timeout,
                          cwd=cwd, **feed)


class Peer:
    """A scripted application socket: records each request line and answers with `reply`, a
    function of the request bytes giving a list of byte chunks (sent with a short pause between
    them), or None to close without answering."""

    def __init__(self, path, reply, read_request=True):
        self.path = path
        self.reply = reply
        self.read_request = read_request
        self.requests = []
        self.connections = 0
        self._server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._server.bind(path)
        self._server.listen(8)
        self._server.settimeout(0.05)
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _serve(self):
        while not self._stop.is_set():
            try:
                conn, _ = self._server.accept()
            except socket.timeout:
                continue
            with conn:
                self.connections += 1
                conn.settimeout(10)
                data = b""
                if self.read_request:
                    while not data.endswith(b"\n"):
                        chunk = conn.recv(65536)
                        if not chunk:
                            break
                        data += chunk
                    self.requests.append(data)
                chunks = self.reply(data)
                try:
                    for i, chunk in enumerate(chunks or []):
                        if i:
                            time.sleep(0.05)
                        conn.sendall(chunk)
                except OSError:
                    pass  # the client already has its line and went away

    def close(self):
        self._stop.set()
        self._thread.join()
        self._server.close()


class ReferenceApp:
    """The reference application running on `path`; stopped by close()."""

    def __init__(self, path):
        self.process = subprocess.Popen([REFERENCE_APP, "--socket", path], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, env=base_env("/nonexistent"))
        line = self.process.stdout.readline()
        if b"listening on" not in line:
            self.close()
            raise RuntimeError("reference app did not start: " + repr(line))

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()
        self.process.stderr.close()


def stop_app(pid_file):
    """Stops the application a stand-in launcher started, if it did."""
    try:
        with open(pid_file) as f:
            os.kill(int(f.read()), signal.SIGTERM)
    except (FileNotFoundError, ProcessLookupError, ValueError):
        pass


class TempDirTestCase(unittest.TestCase):
    """Gives each test a fresh temporary folder `self.dir`, removed afterwards."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pvx-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.socket = os.path.join(self.dir, "api.sock")

    def env(self, **extra):
        return base_env(self.dir, **({"PARLEVOX_SOCKET": self.socket} | extra))

    def peer(self, reply, **kwargs):
        """Starts a peer on `self.socket`, replacing the test's previous one."""
        if getattr(self, "_peer", None):
            self._peer.close()
            os.unlink(self.socket)
        else:
            self.addCleanup(lambda: self._peer.close())
        self._peer = Peer(self.socket, reply, **kwargs)
        return self._peer

    def answering(self, *chunks):
        """A peer that answers every request with the given chunks."""
        return self.peer(lambda request: list(chunks))

    def stand_in_launcher(self, bin_dir, delay_seconds=0):
        """A gtk-launch in `bin_dir` that logs its arguments, chats on stdout and stderr, and
        starts the reference application after `delay_seconds`; the application is stopped when
        the test ends. Returns the path of the argument log."""
        log, pid_file = os.path.join(self.dir, "launches"), os.path.join(self.dir, "app.pid")
        script = (f'#!/bin/sh\necho "$@" >> {log}\necho "launcher on stdout"\n'
                  f'echo "launcher on stderr" >&2\n'
                  f'(sleep {delay_seconds}; exec {REFERENCE_APP}) </dev/null >/dev/null 2>&1 &\n'
                  f'echo $! > {pid_file}\n')
        path = os.path.join(bin_dir, "gtk-launch")
        with open(path, "w") as f:
            f.write(script)
        os.chmod(path, stat.S_IRWXU)
        self.addCleanup(stop_app, pid_file)
        return log

    def write(self, name, data: bytes):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path
