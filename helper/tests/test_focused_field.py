"""The focused field as the application sees it: value, caret, text around it, secure fields."""

import unittest

from helper_process import Helper

FAMILY = "\U0001F468\u200D\U0001F469\u200D\U0001F467"  # one character, eight UTF-16 units
NOTE = "Dear Ann,\nthe café opens at nine." + FAMILY + " See you"


def utf16_len(s):
    return len(s.encode("utf-16-le")) // 2


def app(pid, name, windows, focused=None, **ui):
    entry = {"pid": pid, "bundle": f"com.example.{name.lower()}", "name": name,
             "ui": {"windows": windows, **ui}}
    if focused:
        entry["ui"]["focused"] = focused
    return entry


def window(wid, *children):
    return {"id": wid, "role": "AXWindow", "title": wid, "frame": [0, 0, 800, 600],
            "children": list(children)}


SCENARIO = {
    "secureInput": False,
    "frontmost": 601,
    "apps": [
        app(601, "Notes", [window("notes", {
            "id": "body", "role": "AXTextArea", "value": NOTE, "selection": [10, 3],
            "frame": [10, 40, 600, 400]})], focused="body"),
        # Serves only the first 20 units by range although its value is longer.
        app(602, "Mail", [window("mail", {
            "id": "draft", "role": "AXTextArea", "value": "0123456789abcdefghijKLMNOPQRST",
            "selection": [5, 0], "textReads": {"servedUnits": 20}})], focused="draft"),
        app(603, "Bank", [window("bank", {
            "id": "pin", "role": "AXTextField", "subrole": "AXSecureTextField",
            "value": "hunter2", "selection": [7, 0]})], focused="pin"),
        app(604, "Broken", [window("broken", {
            "id": "odd", "role": "AXTextField", "value": {"utf16": [0x61, 0xD800, 0x62]},
            "selection": [1, 0]})], focused="odd"),
        app(605, "Quiet", [window("quiet", {"id": "label", "role": "AXStaticText",
                                            "value": {"number": 5}})], focused="label"),
        app(606, "Empty", []),
    ],
}


class FocusedState(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.h = Helper(SCENARIO, args=["--no-keys"])
        assert cls.h.line()["t"] == "ready"

    @classmethod
    def tearDownClass(cls):
        cls.h.stop()

    def ask(self, **command):
        command.setdefault("id", 1)
        return self.h.ask(command)

    def test_value_caret_and_text_around_in_utf16_units(self):
        state = self.ask(cmd="focusedState", around=[4, 6])
        self.assertEqual(state, {
            "id": 1, "ok": True, "value": NOTE, "pid": 601, "frontPid": 601,
            "length": utf16_len(NOTE), "caret": 10, "selected": 3,
            "textBefore": "nn,\n", "textAfter": " café "})
        # The last characters are whole characters: the family emoji is one of them.
        self.assertEqual(self.ask(cmd="focusedState", maxChars=5)["value"], "e you")
        self.assertEqual(self.ask(cmd="focusedState", maxChars=9)["value"], "." + FAMILY + " See you")
        self.assertEqual(self.ask(cmd="focusedValue", maxChars=9),
                         {"id": 1, "ok": True, "value": "." + FAMILY + " See you", "pid": 601})

    def test_around_needs_exactly_two_counts(self):
        for around in ([50], [1, 2, 3], []):
            state = self.ask(cmd="focusedState", around=around)
            self.assertTrue(state["ok"])
            self.assertNotIn("textBefore", state)
            self.assertNotIn("textAfter", state)

    def test_a_field_serving_fewer_units_than_it_reports(self):
        state = self.ask(cmd="focusedState", pid=602, around=[100, 100])
        self.assertEqual((state["length"], state["textBefore"], state["textAfter"]),
                         (30, "01234", "56789abcdefghij"))
        self.assertEqual(state["frontPid"], 601)

    def test_no_value_for_secure_missing_and_non_text_fields(self):
        for pid in (603, 605, 606, 9999, 2**40):
            self.assertEqual(self.ask(cmd="focusedState", pid=pid, around=[5, 5]),
                             {"id": 1, "ok": False, "error": "no_value", "frontPid": 601}, pid)

    def test_a_lone_surrogate_is_repaired_not_dropped(self):
        state = self.ask(cmd="focusedState", pid=604, around=[5, 5])
        self.assertEqual((state["value"], state["length"], state["textBefore"], state["textAfter"]),
                         ("a\ufffdb", 3, "a", "\ufffdb"))

    def test_a_negative_max_chars_returns_no_characters(self):
        self.assertEqual(self.ask(cmd="focusedState", maxChars=-3)["value"], "")
        self.assertEqual(self.ask(cmd="focusedValue", maxChars=-3)["value"], "")


class WithoutTrust(unittest.TestCase):
    def test_focused_queries_need_accessibility(self):
        scenario = dict(SCENARIO, permissions={"accessibility": False})
        with Helper(scenario, args=["--no-keys"]) as h:
            self.assertEqual(h.line()["ax"], False)
            for cmd in ("focusedState", "focusedValue"):
                self.assertEqual(h.ask({"cmd": cmd, "id": 2, "around": [1, 1]}),
                                 {"id": 2, "ok": False, "error": "no_accessibility"})


if __name__ == "__main__":
    unittest.main()
