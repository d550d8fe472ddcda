"""windowShot through the helper process: pictures rendered from layouts, read back as text."""

import base64
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

from helper_process import HELPER, Helper

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RENDER = os.path.join(ROOT, "scripts", "render_text_picture.py")
LAYOUTS = {
    "two_columns": os.path.join(ROOT, "helper", "tests", "pictures", "two_columns.json"),
    "notes_window": os.path.join(ROOT, "helper", "platform", "sim", "demo_pictures",
                                 "notes_window.json"),
}
NOTES_TEXT = ("Shopping list\nMilk, bread and green apples\nКупить молоко и свежий хлеб\n"
              "Call the bakery before noon\nПозвонить в пекарню до обеда")
COLUMNS_TEXT = ("First on the left\nSecond on the right\nТретья строка слева\nЧетвёртая справа\n"
                "Fifth on the left\nSixth on the right\nСедьмая строка слева")


def render(name, folder):
    """Renders the layout into folder/pictures/NAME.png; returns the path relative to folder."""
    os.makedirs(os.path.join(folder, "pictures"), exist_ok=True)
    relative = os.path.join("pictures", name + ".png")
    subprocess.run([sys.executable, RENDER, LAYOUTS[name], os.path.join(folder, relative)],
                   check=True)
    return relative


def words(text):
    """The lines of the text with white space runs made single spaces, empty lines dropped."""
    lines = (" ".join(line.split()) for line in text.split("\n"))
    return "\n".join(line for line in lines if line)


def jpeg_size(data):
    """(width, height) from a JPEG's start-of-frame marker."""
    assert data[:2] == b"\xff\xd8" and data[-2:] == b"\xff\xd9", "not a whole JPEG"
    at = 2
    while at < len(data):
        marker, length = data[at + 1], struct.unpack(">H", data[at + 2:at + 4])[0]
        if 0xC0 <= marker <= 0xC2:
            height, width = struct.unpack(">HH", data[at + 5:at + 9])
            return width, height
        at += 2 + length
    raise AssertionError("no frame in the JPEG")


def window(pid, width, height, **more):
    return {"pid": pid, "frame": {"x": 0, "y": 0, "width": width, "height": height}, **more}


class WindowShot(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.record = os.path.join(self.dir.name, "record.jsonl")

    def scenario(self, **fields):
        path = os.path.join(self.dir.name, "desk.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump({"record": self.record, **fields}, f)
        return path

    def recorded(self):
        with open(self.record) as f:
            return [json.loads(line) for line in f if line.strip()]

    def test_shots_in_flight_each_get_one_reply_with_their_own_window(self):
        columns, notes = render("two_columns", self.dir.name), render("notes_window", self.dir.name)
        path = self.scenario(
            apps=[{"pid": p, "bundle": f"com.example.app{p}"} for p in (301, 302, 303, 304)],
            frontmost=302,
            windows=[window(301, 640, 400, title="Columns", picture=columns),
                     window(302, 960, 600, title="Notes", picture=notes),
                     window(302, 300, 200, title="Find"),
                     window(303, 400, 300),
                     window(304, 500, 400, layer=8)])
        with Helper(scenario_path=path, args=["--no-keys"], timeout=60) as h:
            h.line()  # ready
            h.send({"cmd": "windowShot", "pid": 301, "id": 1},
                   {"cmd": "windowShot", "image": True, "id": 2},
                   {"cmd": "windowShot", "pid": 303, "image": True, "ocr": False, "maxSize": 100,
                    "id": 3},
                   {"cmd": "windowShot", "pid": 304, "id": 4},
                   {"cmd": "status", "id": 5})
            replies = h.replies([1, 2, 3, 4, 5])
            h.send({"cmd": "quit", "id": 6})
            rest = h.lines_until(lambda l: l.get("id") == 6)
            status, stderr = h.finish()
        self.assertEqual(status, 0)
        self.assertEqual(stderr, b"", "recognition leaves stderr quiet")
        self.assertFalse([l for l in rest if l.get("id") in (1, 2, 3, 4, 5)], "one reply each")

        self.assertEqual(words(replies[1].pop("text")), COLUMNS_TEXT)
        self.assertEqual(replies[1], {"id": 1, "ok": True, "width": 1280, "height": 800,
                                      "title": "Columns"})
        # No pid: the frontmost application's largest window.
        jpeg = replies[2].pop("jpeg")
        self.assertRegex(jpeg, r"^[A-Za-z0-9+/]+=*$", "Base64 on one line")
        self.assertEqual(jpeg_size(base64.b64decode(jpeg)), (1280, 800))
        self.assertEqual(words(replies[2].pop("text")), NOTES_TEXT)
        self.assertEqual(replies[2], {"id": 2, "ok": True, "width": 1280, "height": 800,
                                      "title": "Notes"})
        self.assertEqual(jpeg_size(base64.b64decode(replies[3].pop("jpeg"))), (100, 75))
        self.assertEqual(replies[3], {"id": 3, "ok": True, "width": 100, "height": 75,
                                      "title": ""})
        self.assertEqual(replies[4], {"id": 4, "ok": False, "error": "no_window"})
        self.assertTrue(replies[5]["ok"])
        captures = sorted((r["window"], r["width"], r["height"], r["cursor"])
                          for r in self.recorded() if r["do"] == "captureWindow")
        self.assertEqual(captures, [(1, 1280, 800, False), (2, 1280, 800, False),
                                    (4, 100, 75, False)])

    def test_the_command_returns_before_the_shot_is_done(self):
        columns = render("two_columns", self.dir.name)
        path = self.scenario(windows=[window(301, 640, 400, picture=columns)])
        with Helper(scenario_path=path, args=["--no-keys"], timeout=60) as h:
            h.line()
            h.send({"cmd": "windowShot", "pid": 301, "id": 1}, {"cmd": "status", "id": 2})
            ids = [l["id"] for l in h.lines_until(lambda l: l.get("id") == 1) if "id" in l]
        self.assertEqual(ids, [2, 1], "status is answered while the recognition runs")

    def test_without_screen_recording_nothing_is_captured(self):
        path = self.scenario(permissions={"screenRecording": False},
                             windows=[window(301, 640, 400)])
        with Helper(scenario_path=path, args=["--no-keys"]) as h:
            h.line()
            self.assertEqual(h.ask(cmd="windowShot", pid=301, id=1),
                             {"id": 1, "ok": False, "error": "no_permission"})
        self.assertFalse([r for r in self.recorded() if r["do"] == "captureWindow"])

    def test_demo_desktop_reads_its_notes_window_from_any_folder(self):
        env = dict(os.environ)
        env.pop("PARLEVOX_DESKTOP", None)
        with Helper(args=["--no-keys"], env=env, cwd="/", timeout=60) as h:
            h.line()
            reply = h.ask(cmd="windowShot", id=7)
        self.assertEqual(words(reply.pop("text")), NOTES_TEXT)
        self.assertEqual(reply, {"id": 7, "ok": True, "width": 1280, "height": 800,
                                 "title": "Shopping list"})

    def test_a_picture_that_cannot_be_read_stops_the_helper_before_ready(self):
        with open(os.path.join(self.dir.name, "text.png"), "w") as f:
            f.write("not a picture")
        cases = [
            ("absent.png", "scenario.windows[0].picture: cannot read "
             f"{self.dir.name}/absent.png: No such file or directory"),
            ("text.png", "scenario.windows[0].picture: text.png is not a PNG picture"),
            ("/dev/zero", "scenario.windows[0].picture: cannot read /dev/zero: not a regular "
             "file of at most 64 MiB"),
        ]
        for picture, message in cases:
            with self.subTest(picture):
                path = self.scenario(windows=[window(301, 640, 400, picture=picture)])
                result = subprocess.run([HELPER, "--no-keys"], input=b"", capture_output=True,
                                        env=dict(os.environ, PARLEVOX_DESKTOP=path), timeout=10)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stdout, b"")
                self.assertEqual(result.stderr.decode(),
                                 f"parlevox-helper: scenario {path}: {message}\n")


if __name__ == "__main__":
    unittest.main()
