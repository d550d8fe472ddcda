"""The helper on a scenario file: the queries answer from it; a file that does not fit stops it."""
import json
import os
import subprocess
import tempfile
import unittest

HELPER = os.environ["PARLEVOX_HELPER"]

SCENARIO = {
    "apps": [
        {"pid": 301, "bundle": "com.example.mail", "name": "Mail", "path": "/Applications/Mail.app"},
        {"pid": 302, "bundle": "com.example.daemon", "name": "Daemon", "policy": "prohibited"},
        {"pid": 303, "name": "script"},
        {"pid": 304, "bundle": "com.example.loose", "name": "Loose"},
    ],
    "frontmost": 304,
    "screens": [
        {
            "frame": {"x": 0, "y": 0, "width": 1728, "height": 1117},
            "safeAreaTop": 32,
            "auxiliaryTopLeftArea": {"x": 0, "y": 1085, "width": 764, "height": 32},
            "auxiliaryTopRightArea": {"x": 964, "y": 1085, "width": 764, "height": 32},
        },
        {"frame": {"x": 100, "y": 1117, "width": 1920, "height": 1080}},
    ],
}


def run_helper(scenario_path, commands=(), timeout=30):
    """Runs the helper on the scenario with the commands on stdin until stdin ends."""
    env = dict(os.environ, PARLEVOX_DESKTOP=scenario_path)
    stdin = "".join(json.dumps(c) + "\n" for c in commands)
    return subprocess.run([HELPER, "--no-keys"], input=stdin.encode(), env=env,
                          capture_output=True, timeout=timeout)


class ScenarioFileTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def write(self, text):
        path = os.path.join(self.dir.name, "desk top.json")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_queries_answer_from_the_scenario_file(self):
        path = self.write(json.dumps(SCENARIO, indent=2))
        result = run_helper(path, [
            {"cmd": "screens", "id": 1},
            {"cmd": "frontmost", "id": 2},
            {"cmd": "runningApps", "id": 3},
            {"cmd": "config", "typingGapMs": 10, "id": 4},
            {"cmd": "arm", "id": 5},
            {"cmd": "ownClicks", "on": True, "rect": [0, 0, 10, 10], "id": 6},
        ])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, b"")
        lines = [json.loads(line) for line in result.stdout.decode().splitlines()]
        self.assertEqual(lines[0]["t"], "ready")
        replies = {line["id"]: line for line in lines[1:]}
        self.assertEqual(replies[1], {"id": 1, "ok": True, "screens": [
            {"x": 0, "y": 0, "width": 1728, "height": 1117,
             "notch": {"x": 764, "y": 0, "width": 200, "height": 32}},
            {"x": 100, "y": -1080, "width": 1920, "height": 1080},
        ]})
        self.assertEqual(replies[2], {"id": 2, "ok": True, "app": {
            "pid": 304, "bundle": "com.example.loose", "name": "Loose"}})
        self.assertEqual(replies[3], {"id": 3, "ok": True, "apps": [
            {"pid": 301, "bundle": "com.example.mail", "name": "Mail",
             "path": "/Applications/Mail.app"},
            {"pid": 304, "bundle": "com.example.loose", "name": "Loose", "path": ""},
        ]})
        for i in (4, 5, 6):
            self.assertEqual(replies[i], {"id": i, "ok": True})

    def assert_stops_before_ready(self, result, message):
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"", "nothing, not even ready, goes to stdout")
        self.assertEqual(result.stderr.decode(), "parlevox-helper: " + message + "\n")

    def test_malformed_scenario_stops_the_helper_naming_file_line_and_column(self):
        path = self.write('{\n  "apps": [\n    {"pid": 1,}\n  ]\n}\n')
        result = run_helper(path, [{"cmd": "status", "id": 1}])
        self.assert_stops_before_ready(
            result, f"scenario {path}: invalid JSON at line 3, column 15: syntax error while "
                    "parsing object key - unexpected '}'; expected string literal")

    def test_scenario_that_does_not_fit_stops_the_helper(self):
        path = self.write('{"screens": [{"frame": {"x": 0, "y": 0, "width": 10, "height": "tall"}}]}')
        result = run_helper(path, [{"cmd": "status", "id": 1}])
        self.assert_stops_before_ready(
            result, f"scenario {path}: scenario.screens[0].frame.height must be a number")

    def test_missing_scenario_file_stops_the_helper(self):
        path = os.path.join(self.dir.name, "absent.json")
        result = run_helper(path)
        self.assert_stops_before_ready(
            result, f"cannot read scenario {path}: No such file or directory")


if __name__ == "__main__":
    unittest.main()
