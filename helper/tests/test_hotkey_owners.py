"""hotkeyOwners across the process boundary: hot keys held and probed, system shortcuts, and
menu shortcuts of several applications, one slow, one silent and one huge, within the budget."""

import time
import unittest

from helper_process import Helper

BUDGET_S = 1.5


def item(title, char=None, key=None, mods=None, children=None):
    attributes = {}
    if char is not None:
        attributes["AXMenuItemCmdChar"] = char
    if key is not None:
        attributes["AXMenuItemCmdVirtualKey"] = key
    if mods is not None:
        attributes["AXMenuItemCmdModifiers"] = mods
    element = {"role": "AXMenuItem", "title": title, "attributes": attributes}
    if children:
        element["children"] = children
    return element


def menu_bar(*menus):
    """The system's menu first (never searched), then (title, items) pairs."""
    bar = [("Apple", [item("About", "s")])] + list(menus)
    return {"role": "AXMenuBar", "children": [
        {"role": "AXMenuBarItem", "title": title,
         "children": [{"role": "AXMenu", "children": items}]} for title, items in bar]}


def app(pid, bundle, name, bar, **fields):
    entry = {"pid": pid, "name": name, "ui": {"menuBar": bar}}
    if bundle:
        entry["bundle"] = bundle
    ui = {k: fields.pop(k) for k in ("readMs", "silent") if k in fields}
    entry["ui"].update(ui)
    entry.update(fields)
    return entry


FILE = ("File", [item("Save", "s"), item("Kill Line", "K", key=40), item("Go", key=40, mods=8)])
TOOLS = ("Tools", [item(f"Tool {i}", "t") for i in range(100)])
HUGE = ("Items", [{"repeat": {"count": 5000, "element": item("Filler", "x")}}])

SCENARIO = {
    "hotKeys": {
        "held": [{"code": 40, "mods": 256}],
        "symbolic": [
            {"enabled": True, "code": 49, "modifiers": 1048576},
            {"enabled": False, "code": 49, "modifiers": 1572864},
            {"enabled": True, "modifiers": 0},
        ],
    },
    "apps": [
        app(700, "com.example.editor", "Editor", menu_bar(FILE)),
        # Answers every read after 100 ms: far more items than the budget leaves time for.
        app(701, "com.example.slow", "Slow", menu_bar(TOOLS, FILE), readMs=100),
        app(702, "com.example.silent", "Silent", menu_bar(FILE), silent=True),
        app(703, "com.example.huge", "Huge", menu_bar(FILE, HUGE)),
        app(704, "com.example.agent", "Agent", menu_bar(FILE), policy="prohibited"),
        app(705, "com.parlevox.app", "Parlevox", menu_bar(FILE)),
        app(706, None, "Tool", menu_bar(FILE)),
        app(707, "com.example.tail", "Tail", menu_bar(FILE)),
    ],
}


class HotkeyOwners(unittest.TestCase):
    def test_probes_apps_symbolic_and_menus_in_one_reply(self):
        with Helper(SCENARIO, args=["--no-keys"], timeout=20) as h:
            self.assertEqual(h.line()["t"], "ready")
            started = time.monotonic()
            h.send({"cmd": "hotkeyOwners", "id": 1, "menuChars": ["S", "T"], "menuKeys": [40],
                    "hotkeys": [{"key": "KeyK", "mods": ["command"]}, {"key": "KeyZ", "mods": []},
                                {"key": "KeyK", "mods": ["command", "hyper"]}]},
                   {"cmd": "status", "id": 2})
            # The main thread goes on serving while the menus are searched.
            self.assertEqual(h.line()["id"], 2)
            reply = h.reply(1)
            elapsed = time.monotonic() - started

            self.assertEqual(reply["taken"], [True, False, None])
            self.assertEqual(reply["apps"], [
                "com.example.editor", "com.example.slow", "com.example.silent",
                "com.example.huge", "com.example.agent", "com.parlevox.app", "com.example.tail"])
            self.assertEqual(reply["symbolic"], [[49, 1048576]])

            def file_entries(name):
                return [{"app": name, "mods": 0, "path": ["File", "Save"], "char": "S"},
                        {"app": name, "mods": 8, "path": ["File", "Go"], "key": 40}]
            # The budget cuts the slow application's long Tools menu short, in order, before its
            # File menu; the silent one gives nothing; the huge one (its File menu first, then
            # 5000 items) holds up nobody. Background-only and own applications are never
            # searched.
            slow = [e for e in reply["menus"] if e["app"] == "Slow"]
            self.assertTrue(0 < len(slow) < 100, len(slow))
            self.assertEqual(slow, [{"app": "Slow", "mods": 0, "path": ["Tools", f"Tool {i}"],
                                     "char": "T"} for i in range(len(slow))])
            self.assertEqual(reply["menus"], file_entries("Editor") + slow + file_entries("Huge") +
                             file_entries("Tool") + file_entries("Tail"))
            # An application that never answers, and one that would take 20 s, cost at most one
            # read beyond the budget (a loaded machine gets a generous margin).
            self.assertLess(elapsed, BUDGET_S + 2.0)

            record = [e for e in h.record() if e["do"].endswith("HotKey")]
            self.assertEqual([(e["do"], e["code"], e["mods"], e["status"]) for e in record
                              if e["do"] == "registerHotKey"],
                             [("registerHotKey", 40, 256, -9878), ("registerHotKey", 6, 0, 0)])
            self.assertEqual([e for e in record if e["do"] == "unregisterHotKey"],
                             [{"do": "unregisterHotKey", "code": 6, "mods": 0, "ok": True}])

            # Without keys to look for, the menus are not searched at all.
            started = time.monotonic()
            self.assertEqual(h.ask({"cmd": "hotkeyOwners", "id": 3}),
                             {"id": 3, "ok": True, "taken": [], "apps": reply["apps"],
                              "symbolic": [[49, 1048576]], "menus": []})
            self.assertLess(time.monotonic() - started, BUDGET_S)


if __name__ == "__main__":
    unittest.main()
