"""The window snapshot, nearby text and window commands as the application sees them: their
replies on scenario files, concurrent commands beside key input, and unresponsive applications."""

import unittest

from helper_process import Helper


def window(wid, *children, frame=(0, 0, 800, 600), title=None):
    return {"id": wid, "role": "AXWindow", "title": title or wid, "frame": list(frame),
            "children": list(children)}


def text(value, frame, **keys):
    return {"role": "AXStaticText", "value": value, "frame": list(frame), **keys}


def app(pid, name, windows=None, focused=None, **ui):
    entry = {"pid": pid, "bundle": f"com.example.{name.lower()}", "name": name}
    if windows is not None:
        entry["ui"] = {"windows": windows, **ui}
        if focused:
            entry["ui"]["focused"] = focused
    return entry


def record(pid, name):
    return {"pid": pid, "bundle": f"com.example.{name.lower()}", "name": name}


# 500 sections of 100 elements: 50,000 elements, 1,000,000 points tall, scrolled to its top.
HUGE = window("huge", {"id": "huge.scroll", "role": "AXScrollArea", "frame": [0, 0, 1200, 800],
                       "children": [{"repeat": {"count": 500, "offset": [0, 2000], "element": {
                           "id": "section", "role": "AXGroup", "frame": [0, 0, 1200, 2000],
                           "children": [{"id": "label", "role": "AXHeading", "title": "Section",
                                         "frame": [0, 0, 600, 20]},
                                        {"paragraphs": {"count": 99, "origin": [0, 20],
                                                        "id": "para"}}]}}}]},
              frame=(0, 0, 1200, 800))

SCENARIO = {
    "frontmost": 601,
    "screens": [{"frame": {"x": 0, "y": 0, "width": 1440, "height": 900}}],
    "apps": [
        app(601, "Reader", [window(
            "reader",
            text("Introduction to the walk", [10, 10, 300, 20]),
            {"role": "AXScrollArea", "frame": [0, 100, 800, 200], "children": [
                text("Visible line", [0, 120, 300, 20]),
                text("Scrolled out line", [0, 700, 300, 20])]},
            text("Off every display", [3000, 10, 200, 20]))], focused="reader"),
        app(602, "Login", [window(
            "login", text("Password", [0, 0, 100, 20]),
            {"id": "pin", "role": "AXTextField", "subrole": "AXSecureTextField",
             "value": "hunter2", "selection": [7, 0], "frame": [0, 30, 200, 24]})],
            focused="pin"),
        app(603, "Daemon"),
        app(604, "Huge", [HUGE], focused="para.0#0"),
        app(605, "Shop", [window("shop", {
            "role": "AXWebArea", "frame": [0, 0, 800, 600],
            "attributes": {"AXURL": {"url": "https://a:b@shop.example.com/cart/?x=1#top"}},
            "children": [
                text("Your cart", [0, 0, 200, 20]),
                {"id": "qty", "role": "AXTextField", "value": "2", "selection": [1, 0],
                 "frame": [0, 30, 100, 20]},
                {"role": "AXLink", "title": "Checkout", "frame": [0, 60, 100, 20]}]})],
            focused="qty"),
    ],
}


class ContextCommands(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.h = Helper(SCENARIO, args=["--no-keys"], timeout=30)
        assert cls.h.line()["t"] == "ready"

    @classmethod
    def tearDownClass(cls):
        cls.h.stop()

    def ask(self, **command):
        command.setdefault("id", 1)
        reply = self.h.ask(command, timeout=30)
        del reply["id"]
        return reply

    def test_focused_window_is_the_area_and_budget_cuts_mid_word(self):
        reader = {"ok": True, "app": record(601, "Reader"), "title": "reader"}
        self.assertEqual(self.ask(cmd="context"), {
            **reader, "area": ["Introduction to the walk", "Visible line"], "texts": []})
        self.assertEqual(self.ask(cmd="context", maxChars=10),
                         {**reader, "area": ["Introducti"], "texts": []})
        # Everything: scrolled out and off every display too.
        self.assertEqual(self.ask(cmd="context", all=True)["area"], [
            "Introduction to the walk", "Visible line", "Scrolled out line", "Off every display"])
        # The window is the focused element: its siblings are the application's other windows.
        self.assertEqual(self.ask(cmd="nearText"), {
            "ok": True, "field": {"x": 0, "y": 0, "w": 800, "h": 600}, "above": [],
            "below": []})
        self.assertEqual(self.ask(cmd="window"), {"ok": True, "title": "reader"})

    def test_password_field_in_focus_is_never_read(self):
        self.assertEqual(self.ask(cmd="context", pid=602), {
            "ok": True, "app": record(602, "Login"), "title": "login", "area": ["Password"],
            "texts": []})
        self.assertEqual(self.ask(cmd="nearText", pid=602),
                         {"ok": True, "above": [], "below": []})

    def test_application_without_windows_gives_the_application_alone(self):
        self.assertEqual(self.ask(cmd="context", pid=603),
                         {"ok": True, "app": record(603, "Daemon")})
        self.assertEqual(self.ask(cmd="nearText", pid=603),
                         {"ok": True, "above": [], "below": []})
        self.assertEqual(self.ask(cmd="window", pid=603), {"ok": True, "title": ""})

    def test_unknown_or_out_of_range_pid_means_the_frontmost_application(self):
        for pid in (4242, 2**32 + 601, -1):
            self.assertEqual(self.ask(cmd="context", pid=pid)["app"], record(601, "Reader"))
        # "window" names the process it is given; none has these ids.
        self.assertEqual(self.ask(cmd="window", pid=2**32 + 601), {"ok": True, "title": ""})

    def test_page_address_without_credentials(self):
        self.assertEqual(self.ask(cmd="context", pid=605), {
            "ok": True, "app": record(605, "Shop"), "title": "shop",
            "url": "shop.example.com/cart/", "focusedValue": "2", "focusedCaret": 1,
            "area": ["Your cart", "Checkout"], "texts": []})
        self.assertEqual(self.ask(cmd="window", pid=605), {
            "ok": True, "title": "shop", "url": "shop.example.com/cart/",
            "fullUrl": "https://shop.example.com/cart/?x=1#top", "page": True})
        near = self.ask(cmd="nearText", pid=605)
        self.assertEqual([(i["t"], i["role"]) for i in near["above"]],
                         [("Your cart", "AXStaticText")])
        self.assertEqual([(i["t"], i["role"]) for i in near["below"]], [("Checkout", "AXLink")])

    def test_fifty_thousand_elements_read_only_where_visible(self):
        reply = self.ask(cmd="context", pid=604)
        # The first section is on screen: its label and the paragraphs within 800 points.
        shown = reply["area"] + reply["texts"]
        self.assertEqual(shown[0], "Section")
        self.assertEqual(len(shown), 1 + 39)
        self.assertTrue(shown[-1].startswith("Paragraph 39: "), shown[-1])
        near = self.ask(cmd="nearText", pid=604, maxChars=600)
        self.assertEqual([i["t"] for i in near["above"]], ["Section"])
        self.assertTrue(near["below"][0]["t"].startswith("Paragraph 2: "))


class WithoutPermissionOrApplication(unittest.TestCase):
    def test_errors(self):
        for scenario, error in (({"permissions": {"accessibility": False}, **SCENARIO},
                                 "no_accessibility"),
                                ({**SCENARIO, "frontmost": None}, "no_app")):
            with Helper(scenario, args=["--no-keys"], timeout=30) as h:
                self.assertEqual(h.line()["t"], "ready")
                for i, cmd in enumerate(("context", "nearText")):
                    self.assertEqual(h.ask({"cmd": cmd, "id": i}),
                                     {"ok": False, "error": error, "id": i})
                window = h.ask({"cmd": "window", "id": 9})
                if error == "no_accessibility":
                    self.assertEqual(window, {"ok": False, "error": error, "id": 9})
                else:  # no application in front: pid 0, no window
                    self.assertEqual(window, {"ok": True, "title": "", "id": 9})


class ConcurrentCommands(unittest.TestCase):
    def test_replies_overtake_each_other_beside_key_input(self):
        keys = []
        for i in range(150):
            keys += [{"at": 20 * i, "press": "KeyA"}, {"at": 20 * i + 10, "release": "KeyA"}]
        # The huge tree's walk is cut by a small budget, not by the deadline, whose outcome would
        # depend on how busy the machine is.
        asks = [{"cmd": "context", "pid": 601}, {"cmd": "nearText", "pid": 605},
                {"cmd": "window", "pid": 605}, {"cmd": "context", "pid": 604, "maxChars": 600},
                {"cmd": "context", "pid": 605, "maxChars": 4}, {"cmd": "nearText", "pid": 604}]
        with Helper({**SCENARIO, "input": keys}, timeout=30) as h:
            self.assertEqual(h.line()["t"], "ready")
            commands = [{**asks[n % len(asks)], "id": 100 + n} for n in range(60)]
            h.send(*commands)
            got = h.replies([c["id"] for c in commands], timeout=60)
            # Each reply is the one the same command gets alone.
            for n, ask in enumerate(asks):
                alone = h.ask({**ask, "id": n}, timeout=30)
                for c in commands[n::len(asks)]:
                    self.assertEqual(got[c["id"]], {**alone, "id": c["id"]})
            h.send({"cmd": "quit", "id": 999})
            h.lines_until(lambda l: l.get("id") == 999, timeout=30)
            self.assertEqual(h.finish(), (0, b""))


class UnresponsiveApplications(unittest.TestCase):
    """An application that answers every read just within the timeout, or never: each command
    still gets its one reply, with what could be read."""

    def test_slow_and_silent(self):
        slow = app(701, "Slow", [{**window("slow", {"paragraphs": {"count": 3000}}),
                                  "attributes": {"AXDocument": "https://slow.example.com/"}}],
                   focused="slow", readMs=40)
        silent = app(702, "Silent", [window("silent", text("x y", [0, 0, 10, 10]))],
                     focused="silent", silent=True)
        with Helper({**SCENARIO, "apps": [slow, silent], "frontmost": 701},
                    args=["--no-keys"], timeout=30) as h:
            self.assertEqual(h.line()["t"], "ready")
            h.send({"cmd": "context", "id": 1}, {"cmd": "nearText", "id": 2},
                   {"cmd": "window", "id": 3}, {"cmd": "context", "pid": 702, "id": 4},
                   {"cmd": "nearText", "pid": 702, "id": 5},
                   {"cmd": "window", "pid": 702, "id": 6})
            got = h.replies([1, 2, 3, 4, 5, 6], timeout=60)
            # 40 ms a read: the deadline ends the walk long before its 3000 paragraphs, which
            # would take two minutes; the first 30 are on screen.
            self.assertTrue(0 < len(got[1]["area"]) <= 30, len(got[1]["area"]))
            self.assertEqual(got[1]["texts"], [])
            self.assertEqual(got[2], {"ok": True, "field": {"x": 0, "y": 0, "w": 800, "h": 600},
                                      "above": [], "below": [], "id": 2})
            self.assertEqual(got[3], {"ok": True, "title": "slow", "url": "slow.example.com",
                                      "fullUrl": "https://slow.example.com/", "page": True,
                                      "id": 3})
            self.assertEqual(got[4], {"ok": True, "app": record(702, "Silent"), "id": 4})
            self.assertEqual(got[5], {"ok": True, "above": [], "below": [], "id": 5})
            self.assertEqual(got[6], {"ok": True, "title": "", "id": 6})


if __name__ == "__main__":
    unittest.main()
