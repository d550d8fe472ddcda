"""Pasting into other applications and reading the user's selection, as the main application
would: the target comes to the front before Command+V, the user's pasteboard comes back byte for
byte after a copy, and the user's keys are not held up while the helper waits."""
import time
import unittest
import zlib

from helper_process import Helper

MARK = 0x566F726E
COMMAND = 0x100000
NOTES = {"pid": 701, "bundle": "com.example.notes", "name": "Notes"}
BROWSER = {"pid": 702, "bundle": "com.example.browser", "name": "Browser"}
AZERTY = {"enabled": [{"id": "fr", "layout": "French", "languages": ["fr"]}],
          "current": "fr", "asciiCapable": "fr"}


def described(data):
    """A pasteboard type as the record writes it."""
    d = {"type": data[0], "size": len(data[1]), "crc32": "%08x" % zlib.crc32(data[1])}
    try:
        if len(data[1]) <= 256:
            d["text"] = data[1].decode("utf-8")
    except UnicodeDecodeError:
        pass
    return d


def wait_for(predicate, timeout=10):
    deadline = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.02)
    return True


class PasteTest(unittest.TestCase):
    def test_paste_brings_background_app_to_front_then_presses_the_layouts_v_key(self):
        scenario = {"keyboardLayouts": AZERTY,
                    "apps": [NOTES, dict(BROWSER, reacts={"activate": 120})],
                    "frontmost": 701,
                    "pasteboard": {"items": [[{"type": "public.utf8-plain-text",
                                               "text": "dictated words"}]]}}
        with Helper(scenario, args=["--no-keys"]) as helper:
            helper.line()
            started = time.monotonic()
            reply = helper.ask({"cmd": "paste", "pid": 702, "id": 1})
            self.assertGreaterEqual(time.monotonic() - started, 0.1)
            self.assertEqual(reply, {"ok": True, "app": BROWSER, "id": 1})
            record = [e for e in helper.record() if e["do"] not in ("activationPolicy",)]
            key = {"code": 9, "flags": COMMAND, "mark": MARK}
            self.assertEqual(record, [
                {"do": "activate", "pid": 702, "ok": True},
                {"do": "frontmost", "pid": 702},
                dict(key, do="post", at="session", type="keyDown"),
                {"do": "received", "pid": 702, "key": "paste",
                 "pasteboard": [[described(("public.utf8-plain-text", b"dictated words"))]]},
                dict(key, do="post", at="session", type="keyUp"),
            ])


class SelectionTest(unittest.TestCase):
    def test_selection_by_copy_gives_every_item_back_byte_for_byte(self):
        image = ("public.tiff", b"II*\x00" * 500_000)
        items = [[("public.utf8-plain-text", b"Hello"), ("public.rtf", b"{\\rtf1 Hello}")],
                 [("public.file-url", b"file:///Users/me/report.pdf")],
                 [image, ("com.example.raw", b"\x00\xff\x00\r\n\x00")]]
        seeded = [[{"type": "public.utf8-plain-text", "text": "Hello"},
                   {"type": "public.rtf", "text": "{\\rtf1 Hello}"}],
                  [{"type": "public.file-url", "text": "file:///Users/me/report.pdf"}],
                  [{"type": "public.tiff", "repeat": "II*\u0000", "bytes": 2_000_000},
                   {"type": "com.example.raw", "hex": "00ff000d0a00"}]]
        notes = dict(NOTES, reacts={"copy": {"after": 80, "text": "the selected words"}})
        scenario = {"apps": [notes], "frontmost": 701, "pasteboard": {"items": seeded}}
        with Helper(scenario, args=["--no-keys"]) as helper:
            helper.line()
            reply = helper.ask({"cmd": "selection", "id": 1})
            self.assertEqual(reply, {"ok": True, "app": NOTES, "editable": False,
                                     "text": "the selected words", "via": "copy", "id": 1})
            writes = [e for e in helper.record() if e["do"].startswith("pasteboard")]
            self.assertEqual([(e["do"], e["by"]) for e in writes], [
                ("pasteboardClear", 701), ("pasteboardWrite", 701),
                ("pasteboardClear", "helper"), ("pasteboardWrite", "helper")])
            self.assertEqual(writes[-1]["items"],
                             [[described(data) for data in item] for item in items])

    def test_user_keys_during_selection_waits_are_reported_and_delivered_in_order(self):
        # The application never copies, so every selection waits its full 0.35 s; meanwhile
        # the user types "abc".
        typed = []
        for i, key in enumerate(["KeyA", "KeyB", "KeyC"]):
            typed += [{"at": 700 + 300 * i, "press": key}, {"at": 740 + 300 * i, "release": key}]
        scenario = {"apps": [dict(NOTES, reacts={"copy": "never"})], "frontmost": 701,
                    "input": typed}
        with Helper(scenario) as helper:
            self.assertEqual(helper.line()["t"], "ready")
            helper.send({"cmd": "arm", "id": 0}, *[{"cmd": "selection", "id": i}
                                                  for i in range(1, 11)],
                        {"cmd": "status", "id": 11})
            lines = helper.lines_until(lambda l: l.get("id") == 11, timeout=30)
            replies = [l["id"] for l in lines if "id" in l]
            self.assertEqual(replies, list(range(0, 12)))
            keys = [(l["key"], l["down"]) for l in lines if l.get("t") == "key"]
            self.assertEqual(keys, [("KeyA", True), ("KeyA", False), ("KeyB", True),
                                    ("KeyB", False), ("KeyC", True), ("KeyC", False)])
            # The keys were reported while selections were still waiting, not after them.
            last_key = max(i for i, l in enumerate(lines) if l.get("t") == "key")
            last_selection = max(i for i, l in enumerate(lines) if l.get("id") == 10)
            self.assertLess(last_key, last_selection)
            received = [(e["type"], e["code"]) for e in helper.record() if e["do"] == "receive"]
            self.assertEqual(received, [("keyDown", 0), ("keyUp", 0), ("keyDown", 11),
                                        ("keyUp", 11), ("keyDown", 8), ("keyUp", 8)])


if __name__ == "__main__":
    unittest.main()
