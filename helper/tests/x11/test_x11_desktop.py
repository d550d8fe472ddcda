"""The helper on a real X11 desktop (PARLEVOX_DESKTOP=x11): a private X server, the accessibility
bus, a window manager and a GTK window, read through the same commands as the simulated one."""

import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
sys.path.insert(0, HERE)

from helper_process import HELPER, Helper  # noqa: E402
import gtk_test_texts as app  # noqa: E402
from x11_session import X11Session, missing_packages  # noqa: E402

SKIP_CODE = 77  # ctest reports the test as skipped


def utf16_length(text):
    return len(text.encode("utf-16-le")) // 2


def rect(text):
    return dict(zip(("x", "y", "w", "h"), map(int, text.split(","))))


def near(a, b, slack=2):
    return all(abs(a[k] - b[k]) <= slack for k in ("x", "y", "w", "h"))


class RealDesktop(unittest.TestCase):
    """One desktop with the form window in front serves every check."""

    @classmethod
    def setUpClass(cls):
        cls.session = X11Session()
        cls.session.__enter__()
        try:
            cls.app, cls.facts = cls.session.start_app("form")
            cls.helper = Helper(env={**cls.session.env, "PARLEVOX_DESKTOP": "x11"},
                                args=["--no-keys"], timeout=20)
        except BaseException:
            cls.session.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        try:
            cls.helper.send({"cmd": "quit", "id": 9999})
            cls.helper.wait(10)
        finally:
            cls.session.stop()

    def ask(self, cmd, timeout=None, **fields):
        RealDesktop.next_id = getattr(RealDesktop, "next_id", 0) + 1
        reply = self.helper.ask({"cmd": cmd, "id": RealDesktop.next_id, **fields},
                                timeout=timeout)
        reply.pop("id")
        return reply

    def test_screens_frontmost_and_running_apps_come_from_the_window_system(self):
        self.assertEqual(self.ask("screens"),
                         {"ok": True, "screens": [{"x": 0, "y": 0, "width": 1280, "height": 800}]})
        me = {"pid": self.app.pid, "bundle": "com.parlevox.GtkTestApp",
              "name": "Parlevox Test"}
        self.assertEqual(self.ask("frontmost"), {"ok": True, "app": me})
        self.assertEqual(self.ask("runningApps"), {"ok": True, "apps": [{**me, "path": ""}]})

    def test_focused_field_reads_value_caret_and_text_around_it_in_utf16_units(self):
        caret = utf16_length(app.ENTRY_TEXT[:app.ENTRY_CARET])  # the emoji takes two units
        self.assertEqual(self.ask("focusedState", around=[3, 3]),
                         {"ok": True, "value": app.ENTRY_TEXT, "length": utf16_length(app.ENTRY_TEXT),
                          "caret": caret, "selected": 0, "textBefore": " 😀", "textAfter": " wo",
                          "pid": self.app.pid, "frontPid": self.app.pid})
        self.assertEqual(self.ask("focusedValue"),
                         {"ok": True, "value": app.ENTRY_TEXT, "pid": self.app.pid})
        # A selection set through the element interface lands in characters on the bus: the
        # emoji and the word after it, read back in UTF-16 units.
        self.assertEqual(self.ask("selectRange", location=6, length=8),
                         {"ok": True, "text": "😀 world"})
        state = self.ask("focusedState")
        self.assertEqual((state["caret"], state["selected"]), (6, 8))
        self.assertEqual(self.ask("selectRange", location=caret, length=0)["ok"], True)

    def test_context_and_near_text_read_the_visible_texts_but_never_the_password(self):
        # A capture that runs out of its time on a busy machine reads less; the next one may not.
        for _ in range(5):
            context = self.ask("context", pid=self.app.pid)
            if any(t.startswith("List row number") for t in context.get("area", [])):
                break
            time.sleep(1)
        self.assertEqual(context["app"]["pid"], self.app.pid)
        self.assertEqual(context["title"], "Parlevox Form")
        self.assertEqual(context["focusedValue"], app.ENTRY_TEXT)
        self.assertEqual(context["area"][:3], [app.GREETING, app.ENTRY_TEXT, app.NOTES])
        rows = [t for t in context["area"] if t.startswith("List row number")]
        # The list shows its first rows; the rest are scrolled out of its clip.
        self.assertEqual(rows[:3], ["List row number 1", "List row number 2", "List row number 3"])
        self.assertLess(len(rows), 50)  # of 100
        self.assertNotIn(app.PASSWORD, repr(context))

        near_text = self.ask("nearText", pid=self.app.pid)
        self.assertTrue(near_text["ok"], near_text)
        greeting = rect(self.facts["greeting"])
        self.assertEqual(near_text["above"], [{"t": app.GREETING, "role": "AXStaticText",
                                              "x": greeting["x"], "y": greeting["y"],
                                              "w": greeting["w"], "h": greeting["h"]}])
        below = near_text["below"]
        self.assertEqual((below[0]["t"], below[0]["role"]), (app.NOTES, "AXTextArea"))
        self.assertEqual(below[1]["t"], "List row number 1")
        self.assertNotIn(app.PASSWORD, repr(near_text))

    def test_window_shot_recognises_the_windows_text(self):
        window = rect(self.facts["window"])
        shot = self.ask("windowShot", timeout=60, pid=self.app.pid)  # recognition takes seconds
        self.assertTrue(shot["ok"], {k: v for k, v in shot.items() if k != "image"})
        self.assertEqual(shot["title"], "Parlevox Form")
        # The whole frame, scaled but not cut.
        self.assertAlmostEqual(shot["width"] / shot["height"], window["w"] / window["h"], 2)
        lines = [" ".join(line.split()) for line in shot["text"].split("\n")]
        for expected in (app.GREETING, "First line of the notes", "List row number 1"):
            self.assertIn(expected, lines)
        self.assertNotIn(app.PASSWORD, shot["text"])


    def test_focused_field_and_frame_match_the_windows_geometry(self):
        entry, window = rect(self.facts["focus"]), rect(self.facts["window"])
        field = self.ask("focusedField")
        self.assertTrue(field["ok"], field)
        self.assertTrue(near(field, entry), (field, entry))
        self.assertTrue(near(field["win"], window), (field["win"], window))
        self.assertEqual((field["pid"], field["bundle"], field["name"]),
                         (self.app.pid, "com.parlevox.GtkTestApp", "Parlevox Test"))
        # The caret sits inside the entry, after the emoji.
        self.assertTrue(entry["x"] < field["caretX"] < entry["x"] + entry["w"], field)
        frame = self.ask("focusedFrame", pid=self.app.pid)
        self.assertEqual(frame, {k: v for k, v in field.items()
                                 if k not in ("pid", "bundle", "name")})
        # Without keys the helper makes no tap; the rest of the keyboard side still answers.
        self.assertEqual(self.ask("status"), {"ok": True, "ax": True, "tap": False,
                                              "secure": False})
        self.assertEqual(self.ask("inputLanguages"), {"ok": True, "languages": ["en"]})


class MissingDesktop(unittest.TestCase):
    def test_without_display_or_accessibility_bus_the_helper_stops_before_ready(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY",)}
        env["PARLEVOX_DESKTOP"] = "x11"
        done = subprocess.run([HELPER, "--no-keys"], env=env, input=b"", capture_output=True,
                              timeout=20)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stdout, b"")
        self.assertEqual(done.stderr, b"parlevox-helper: no X display: DISPLAY is not set\n")
        with X11Session(accessibility=False) as session:
            env = {**session.env, "PARLEVOX_DESKTOP": "x11",
                   "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent"}
            done = subprocess.run([HELPER, "--no-keys"], env=env, input=b"",
                                  capture_output=True, timeout=20)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stdout, b"")
        self.assertEqual(done.stderr.count(b"\n"), 1, done.stderr)
        self.assertIn(b"accessibility bus", done.stderr)


if __name__ == "__main__":
    missing = missing_packages()
    if missing:
        print("SKIPPED: the X11 desktop tests need the Debian packages " + ", ".join(missing) +
              " (scripts/setup.sh installs them)")
        sys.exit(SKIP_CODE)
    unittest.main()
