"""Ducking the real default sink of a PulseAudio server that this test starts and stops itself."""
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest

from helper_process import Helper

TIMEOUT = 30
NORM = 65536  # the sound server's 100 %


class PulseServer:
    """A private server: its own runtime folder, a null sink, and a socket open to anyone."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="pulse_test_")
        self.socket = os.path.join(self.dir, "native")
        self.env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=self.dir,
                        PULSE_RUNTIME_PATH=os.path.join(self.dir, "runtime"),
                        PULSE_SERVER="unix:" + self.socket)
        self.env.pop("DISPLAY", None)
        self.log = open(os.path.join(self.dir, "server.log"), "wb")
        # As root the server warns but runs; --system is not needed for a private socket.
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--use-pid-file=no", "--disable-shm=yes", "--no-cpu-limit", "--realtime=no",
             "--high-priority=no", "--log-target=stderr", "-L", "module-null-sink",
             "-L", f"module-native-protocol-unix auth-anonymous=1 socket={self.socket}"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        deadline = time.monotonic() + TIMEOUT
        while self.pactl_status("info") != 0:
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("the PulseAudio server did not start")
            time.sleep(0.1)

    def pactl_status(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=TIMEOUT).returncode

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, check=True, capture_output=True,
                              text=True, timeout=TIMEOUT).stdout

    def volumes(self, sink="@DEFAULT_SINK@"):
        """The sink's channel volumes as the server's raw numbers."""
        text = self.pactl("get-sink-volume", sink).splitlines()[0]
        return [int(v) for v in re.findall(r":\s*(\d+)\s*/", text)]

    def set_volumes(self, *raw, sink="@DEFAULT_SINK@"):
        self.pactl("set-sink-volume", sink, *map(str, raw))

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.log.close()
        shutil.rmtree(self.dir)


def ended(helper, close=True):
    """The helper's exit status once it has ended; it must have written nothing to stderr."""
    status, stderr = helper.finish(close)
    assert stderr == b"", stderr
    return status


def raw(level):
    return round(level * NORM)


class DuckingOnAPulseServer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = PulseServer()
        cls.addClassCleanup(cls.server.stop)
        cls.scenario = os.path.join(cls.server.dir, "no-volume.json")
        with open(cls.scenario, "w") as f:
            json.dump({"permissions": {"accessibility": True}}, f)

    def setUp(self):
        self.server.set_volumes(raw(0.5))

    def assertVolumes(self, levels, sink="@DEFAULT_SINK@"):
        """The sink's channels are at these levels, give or take the server's rounding."""
        got = self.server.volumes(sink)
        self.assertEqual(len(got), len(levels), got)
        for have, want in zip(got, levels):
            self.assertLessEqual(abs(have - raw(want)), 1, f"{got} != {levels}")

    def helper(self, env=None, scenario=None):
        helper = Helper(env=env or self.server.env, scenario_path=scenario or self.scenario,
                        args=["--no-keys"], timeout=TIMEOUT)
        self.addCleanup(helper.stop)
        return helper

    def test_duck_lowers_the_default_sink_and_unduck_restores_it(self):
        h = self.helper()
        self.assertEqual(h.ask(cmd="duck", id=1), {"ok": True, "id": 1})
        self.assertVolumes([0.1] * 2)
        self.assertEqual(h.ask(cmd="duck", id=2, level=0.5), {"ok": True, "already": True, "id": 2})
        self.assertVolumes([0.1] * 2)
        self.assertEqual(h.ask(cmd="unduck", id=3), {"ok": True, "id": 3})
        self.assertVolumes([0.5] * 2)
        self.assertEqual(ended(h), 0)

    def test_balance_between_channels_is_kept(self):
        self.server.set_volumes(raw(0.8), raw(0.4))
        h = self.helper()
        h.ask(cmd="duck", id=1, level=0.5)
        self.assertVolumes([0.4, 0.2])
        h.ask(cmd="unduck", id=2)
        self.assertVolumes([0.8, 0.4])

    def test_a_volume_the_user_moved_is_left_alone(self):
        h = self.helper()
        h.ask(cmd="duck", id=1)
        self.server.set_volumes(raw(0.4))
        self.assertEqual(h.ask(cmd="unduck", id=2), {"ok": True, "userChanged": True, "id": 2})
        self.assertVolumes([0.4] * 2)

    def test_every_way_out_restores_the_volume(self):
        ways = {"quit": lambda h: h.ask(cmd="quit", id=9) and ended(h, close=False),
                "end of input": ended,
                "SIGTERM": lambda h: h.proc.send_signal(signal.SIGTERM) or ended(h, close=False),
                "SIGINT": lambda h: h.proc.send_signal(signal.SIGINT) or ended(h, close=False)}
        for way, end in ways.items():
            with self.subTest(way):
                self.server.set_volumes(raw(0.5))
                h = self.helper()
                h.ask(cmd="duck", id=1, level=0.25)
                self.assertVolumes([0.125] * 2)
                self.assertEqual(end(h), 0)
                self.assertVolumes([0.5] * 2)

    def test_the_default_sink_is_looked_up_on_every_call(self):
        module = self.server.pactl("load-module", "module-null-sink", "sink_name=other").strip()
        first = self.server.pactl("get-default-sink").strip()
        self.addCleanup(self.server.pactl, "unload-module", module)
        self.addCleanup(self.server.pactl, "set-default-sink", first)
        self.server.set_volumes(raw(0.6), sink="other")
        h = self.helper()
        self.assertEqual(h.ask(cmd="duck", id=1), {"ok": True, "id": 1})  # still the first sink
        self.server.pactl("set-default-sink", "other")
        self.assertEqual(h.ask(cmd="unduck", id=2), {"ok": True, "userChanged": True, "id": 2})
        self.assertEqual(h.ask(cmd="duck", id=3, level=0.5), {"ok": True, "id": 3})
        self.assertVolumes([0.3] * 2, "other")
        self.assertVolumes([0.1] * 2, first)

    def test_a_scenario_volume_leaves_the_sound_server_alone(self):
        scenario = os.path.join(self.server.dir, "with-volume.json")
        record = os.path.join(self.server.dir, "record.jsonl")
        with open(scenario, "w") as f:
            json.dump({"volume": {"level": 0.9}, "record": record}, f)
        h = self.helper(scenario=scenario)
        self.assertEqual(h.ask(cmd="duck", id=1, level=0.5), {"ok": True, "id": 1})
        self.assertEqual(ended(h), 0)
        self.assertVolumes([0.5] * 2)
        with open(record) as f:
            levels = [e["level"] for e in map(json.loads, f) if e.get("do") == "setVolume"]
        # Ducked, then restored at the end of input.
        self.assertEqual([round(level, 6) for level in levels], [0.45, 0.9])


class DuckingWithoutAServer(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="no_pulse_test_")
        self.addCleanup(shutil.rmtree, self.dir)
        self.scenario = os.path.join(self.dir, "no-volume.json")
        with open(self.scenario, "w") as f:
            json.dump({}, f)
        self.env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=self.dir)
        for name in ("PULSE_SERVER", "DISPLAY", "PULSE_RUNTIME_PATH"):
            self.env.pop(name, None)

    def ask_duck(self, env):
        h = Helper(env=env, scenario_path=self.scenario, args=["--no-keys"], timeout=TIMEOUT)
        self.addCleanup(h.stop)
        self.assertEqual(h.ask(cmd="duck", id=1),
                         {"ok": False, "error": "no_volume_control", "id": 1})
        self.assertEqual(h.ask(cmd="status", id=2)["ok"], True)
        self.assertEqual(ended(h), 0)

    def test_no_server_means_no_volume_control_and_none_is_started(self):
        self.ask_duck(self.env)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "pulse", "native")))

    def test_a_server_that_never_answers_does_not_hang_the_helper(self):
        path = os.path.join(self.dir, "hung")
        with socket.socket(socket.AF_UNIX) as hung:
            hung.bind(path)
            hung.listen(8)
            self.ask_duck(dict(self.env, PULSE_SERVER="unix:" + path))


if __name__ == "__main__":
    unittest.main()
