"""The helper's event tap on a scenario with timed input: chords are swallowed and reported."""
import time
import unittest

from helper_process import Helper

APP = {"pid": 601, "bundle": "com.example.writer", "name": "Writer", "path": "/Applications/Writer.app"}

# Played by the simulated desktop once the tap is installed; times in ms from then.
INPUT = [
    # Left Option held, then Space: the whole Space press is the helper's.
    {"at": 100, "press": "LeftOption"},
    {"at": 120, "press": "Space"},
    {"at": 140, "repeat": "Space"},
    {"at": 160, "release": "LeftOption"},
    {"at": 180, "release": "Space"},
    # Space alone after a pause, Left Option 10 ms later: a Space-first chord, kept.
    {"at": 900, "press": "Space"},
    {"at": 910, "press": "LeftOption"},
    {"at": 950, "release": "Space"},
    {"at": 960, "release": "LeftOption"},
    # Then a key that reaches the application, to show the keyboard works on.
    {"at": 1000, "press": "KeyW"},
    {"at": 1010, "release": "KeyW"},
]


class KeyboardInputTest(unittest.TestCase):
    def test_option_space_and_space_first_chord(self):
        scenario = {"apps": [APP], "frontmost": 601, "input": INPUT}
        with Helper(scenario) as helper:
            ready = helper.line()
            self.assertEqual(ready, {"t": "ready", "ax": True, "tap": True})
            events = []
            while len([e for e in events if e.get("t") == "up"]) < 2:
                line = helper.line(timeout=20)
                self.assertIsNotNone(line, f"events so far: {events}")
                if line.get("t") != "secure":
                    events.append(line)
            without_ts = [{k: v for k, v in e.items() if k not in ("ts", "ms")} for e in events]
            app = {"pid": 601, "bundle": "com.example.writer", "name": "Writer"}
            self.assertEqual(without_ts, [
                {"t": "down", "key": "LeftOption", "app": app, "pressed": ["LeftOption"]},
                {"t": "key", "code": 49, "down": True, "swallowed": True, "key": "Space"},
                {"t": "up", "key": "LeftOption"},
                {"t": "key", "code": 49, "down": False, "swallowed": True, "key": "Space"},
                {"t": "spaceFirst", "kept": True},
                {"t": "down", "key": "LeftOption", "app": app, "pressed": ["LeftOption", "Space"]},
                {"t": "key", "code": 49, "down": False, "swallowed": True, "key": "Space"},
                {"t": "up", "key": "LeftOption"},
            ])
            chord = events[4]
            self.assertIsInstance(chord["ms"], int)
            self.assertGreaterEqual(chord["ms"], 0)
            self.assertLess(chord["ms"], 50)
            stamps = [e["ts"] for e in events if "ts" in e]
            self.assertEqual(stamps, sorted(stamps))

            # The application got neither Space press, only the modifiers and the last key.
            def delivered():
                return [(e["do"], e["type"], e["code"]) for e in helper.record()
                        if e["do"] in ("receive", "swallowed", "post")]
            deadline = time.monotonic() + 20
            while ("receive", "keyUp", 13) not in delivered() and time.monotonic() < deadline:
                time.sleep(0.05)
            helper.close_stdin()
            self.assertEqual(helper.wait(), 0)
            got = delivered()
            self.assertEqual(got, [
                ("receive", "flagsChanged", 58),
                ("swallowed", "keyDown", 49),
                ("swallowed", "keyDown", 49),
                ("receive", "flagsChanged", 58),
                ("swallowed", "keyUp", 49),
                ("swallowed", "keyDown", 49),
                ("receive", "flagsChanged", 58),
                ("swallowed", "keyUp", 49),
                ("receive", "flagsChanged", 58),
                ("receive", "keyDown", 13),
                ("receive", "keyUp", 13),
            ])

    def test_input_naming_an_unknown_key_stops_the_helper(self):
        scenario = {"input": [{"at": 0, "press": "Hyper"}]}
        with Helper(scenario, record=False) as helper:
            self.assertEqual(helper.wait(), 1)
            self.assertIn(b"scenario.input[0].press must be a key, modifier or mouse button name",
                          helper.proc.stderr.read())
            self.assertEqual(helper.proc.stdout.read(), b"")


if __name__ == "__main__":
    unittest.main()
