"""The helper's keyboard, layouts, clipboard and activation on a real X11 desktop
(PARLEVOX_DESKTOP=x11): a GTK window records every key and its clipboard while a separate client
types through XTest as a user would."""

import ctypes
import json
import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
sys.path.insert(0, HERE)

from helper_process import Helper  # noqa: E402
from x11_session import SYSTEM_PYTHON, TEST_APP, DesktopError, X11Session, missing_packages  # noqa: E402

SKIP_CODE = 77  # ctest reports the test as skipped

# X keycodes of the keys typed (evdev codes plus 8).
ALT, SPACE, A, Q, RETURN = 64, 65, 38, 24, 36


class User:
    """A keyboard of its own: XTest key events on a separate connection."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtest = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.display = ctypes.c_void_p(self.x11.XOpenDisplay(display.encode()))
        if not self.display.value:
            raise DesktopError("the typing client could not connect")

    def key(self, keycode, down, pause=0.03):
        self.xtest.XTestFakeKeyEvent(self.display, keycode, int(down), 0)
        self.x11.XSync(self.display, 0)
        time.sleep(pause)

    def tap(self, keycode):
        self.key(keycode, True)
        self.key(keycode, False)

    def close(self):
        self.x11.XCloseDisplay(self.display)


class KeysApp:
    """The GTK window in "keys" layout, kept off the accessibility bus so that the helper reads
    its selection by copying."""

    def __init__(self, session):
        env = {**session.env, "NO_AT_BRIDGE": "1"}
        self.proc = subprocess.Popen([SYSTEM_PYTHON, TEST_APP, "keys"], env=env,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        session.procs.append(self.proc)
        self.session = session
        self.lines_until(lambda line: line == "ready", 60)
        session._wait_for(lambda: session.active_window_pid() == self.proc.pid,
                          "the keys window did not become active", 30)

    def lines_until(self, done, timeout=10):
        seen = []
        deadline = time.monotonic() + timeout
        while True:
            line = self.session._read_line_from(self.proc, deadline - time.monotonic())
            if line is None:
                raise AssertionError(f"the keys window did not say it; it said {seen}")
            seen.append(line)
            if done(line):
                return seen

    def tell(self, line, answer):
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()
        return self.lines_until(lambda l: l.startswith(answer))


class KeysAndClipboard(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = X11Session()
        cls.session.__enter__()
        try:
            # The window manager binds Alt+Space to its window menu; a combination another client
            # holds cannot be grabbed (the helper then only watches it), so this desktop's window
            # manager gives up its key bindings.
            config = os.path.join(cls.session.env["XDG_CONFIG_HOME"], "openbox")
            os.makedirs(config, exist_ok=True)
            with open(os.path.join(config, "rc.xml"), "w") as f:
                f.write('<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard/>'
                        '</openbox_config>\n')
            subprocess.run(["openbox", "--reconfigure"], env=cls.session.env, check=True)
            time.sleep(0.5)
            cls.app = KeysApp(cls.session)
            cls.user = User(cls.session.env["DISPLAY"])
            cls.helper = Helper(env={**cls.session.env, "PARLEVOX_DESKTOP": "x11"}, timeout=20)
            ready = cls.helper.lines_until(lambda l: l.get("t") == "ready")[-1]
            assert ready["tap"] is True, ready
        except BaseException:
            cls.session.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        try:
            cls.user.close()
            cls.helper.send({"cmd": "quit", "id": 9999})
            cls.helper.wait(10)
        finally:
            cls.session.stop()

    def ask(self, cmd, **fields):
        KeysAndClipboard.next_id = getattr(KeysAndClipboard, "next_id", 0) + 1
        reply = self.helper.ask({"cmd": cmd, "id": KeysAndClipboard.next_id, **fields})
        reply.pop("id")
        return reply

    def helper_lines_until(self, predicate, timeout=10):
        return self.helper.lines_until(predicate, timeout)

    def test_1_option_space_is_swallowed_and_reported_while_other_keys_reach_the_application(self):
        time.sleep(0.6)  # a pause in typing: a plain Space may wait for a chord
        for keycode, down in [(ALT, True), (SPACE, True), (SPACE, False), (ALT, False)]:
            self.user.key(keycode, down)
        self.user.tap(SPACE)
        self.user.tap(A)
        got = self.app.lines_until(lambda l: l == f"key release a {A}")
        keys = [l for l in got if l.startswith("key ")]
        self.assertEqual(keys, [f"key press Alt_L {ALT}", f"key release Alt_L {ALT}",
                                f"key press space {SPACE}", f"key release space {SPACE}",
                                f"key press a {A}", f"key release a {A}"])
        self.assertEqual([l for l in got if l.startswith("text ")][-1], 'text " a"')
        reported = [l for l in self.helper_lines_until(
            lambda l: l.get("t") == "key" and l.get("code") == 49 and not l["down"])
            if l.get("t") == "key"]
        self.assertEqual([(l["key"], l["down"], l["swallowed"]) for l in reported],
                         [("Space", True, True), ("Space", False, True)])

        # A key typed while the swallowed Space holds the keyboard reaches the application once
        # the Space is up; the Space itself never does.
        for keycode, down in [(ALT, True), (SPACE, True), (Q, True), (Q, False), (SPACE, False),
                              (ALT, False)]:
            self.user.key(keycode, down)
        got = self.app.lines_until(lambda l: l == f"key release q {Q}")
        got += self.app.lines_until(lambda l: l == f"key release Alt_L {ALT}") \
            if f"key release Alt_L {ALT}" not in got else []
        keys = [l for l in got if l.startswith("key ")]
        self.assertEqual([l for l in keys if "space" in l], [])
        self.assertLess(keys.index(f"key press q {Q}"), keys.index(f"key release q {Q}"))

    def test_2_watched_modifier_and_space_first_chord(self):
        self.assertEqual(self.ask("config", watch=["LeftOption"]), {"ok": True})
        self.user.key(ALT, True)
        self.user.key(ALT, False)
        lines = self.helper_lines_until(lambda l: l.get("t") == "up")
        self.assertEqual([(l["t"], l["key"]) for l in lines if l.get("t") in ("down", "up")],
                         [("down", "LeftOption"), ("up", "LeftOption")])
        self.app.lines_until(lambda l: l == f"key release Alt_L {ALT}")
        # Space first, Option a moment later: a chord, and the application gets no space.
        time.sleep(0.6)
        self.user.key(SPACE, True, pause=0.01)
        self.user.key(ALT, True)
        self.user.key(SPACE, False)
        self.user.key(ALT, False)
        self.user.tap(Q)
        lines = self.helper_lines_until(lambda l: l.get("t") == "spaceFirst")
        self.assertEqual(lines[-1]["kept"], True)
        got = self.app.lines_until(lambda l: l == f"key release q {Q}")
        self.assertNotIn(f"key press space {SPACE}", got)
        self.assertEqual([l for l in got if l.startswith("text ")][-1], 'text " aq"')
        self.assertEqual(self.ask("config", watch=[]), {"ok": True})

    def test_3_paste_under_a_french_layout_and_copy_gives_the_clipboard_back(self):
        env = self.session.env
        subprocess.run(["setxkbmap", "-layout", "fr"], env=env, check=True)
        self.assertEqual(self.ask("inputLanguages"), {"ok": True, "languages": ["fr"]})
        text, html = "Bonjour à tous", "<b>Bonjour</b> à tous"
        self.app.tell("own " + json.dumps([text, html]), "owned")
        self.app.tell("select " + json.dumps(""), "selected")
        reply = self.ask("paste")
        self.assertTrue(reply["ok"], reply)
        self.assertEqual(self.app.lines_until(lambda l: l == "text " + json.dumps(text))[-1],
                         "text " + json.dumps(text))

        # Select all takes the layout's A, which sits where Q sits on a US keyboard; the
        # selection then comes through the copy shortcut and the clipboard holds what it held.
        self.app.tell("put " + json.dumps("copied words"), "put")
        self.assertEqual(self.ask("selectAll"), {"ok": True})
        reply = self.ask("selection")
        self.assertEqual((reply["text"], reply.get("via")), ("copied words", "copy"), reply)
        dump = self.app.tell("dump", "clip text/html")[-2:]
        self.assertEqual(dump, [f"clip UTF8_STRING {text.encode().hex()}",
                                f"clip text/html {html.encode().hex()}"])
        subprocess.run(["setxkbmap", "-layout", "us"], env=env, check=True)

    def test_4_activate_brings_the_other_window_to_the_front(self):
        other, _ = self.session.start_app("form")
        self.assertEqual(self.session.active_window_pid(), other.pid)
        reply = self.ask("activate", pid=self.app.proc.pid)
        self.assertTrue(reply["ok"], reply)
        self.assertEqual(self.session.active_window_pid(), self.app.proc.pid)
        self.assertEqual(self.ask("frontmost")["app"]["pid"], self.app.proc.pid)


if __name__ == "__main__":
    missing = missing_packages()
    if missing:
        print("SKIPPED: the X11 desktop tests need the Debian packages " + ", ".join(missing) +
              " (scripts/setup.sh installs them)")
        sys.exit(SKIP_CODE)
    unittest.main()
