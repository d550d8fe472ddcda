"""The helper's wire protocol and life cycle, seen from the application's side of the pipes."""

import os
import signal
import subprocess
import tempfile
import threading
import time
import unittest

from helper_process import HELPER, Helper

SHIFT = 0x20000
MARK = 0x566F726E
QUIET = {"secureInput": False}
CEILING = 4 << 20  # the longest command line read, in bytes before the line feed


def sanitized():
    """Whether the helper runs under the address or thread sanitizer, whose allocators keep freed
    memory and reserve far more address space than any limit a test could set."""
    with open(HELPER, "rb") as f:
        binary = f.read()
    return b"__asan_init" in binary or b"__tsan_init" in binary


def line_of(size, id):
    """A status command of exactly `size` bytes, padded with an unknown string field."""
    head = b'{"cmd":"status","id":%d,"pad":"' % id
    return head + b"a" * (size - len(head) - 2) + b'"}'


class FramingAndDecoding(unittest.TestCase):
    def test_ready_comes_first_even_when_commands_wait_on_stdin(self):
        with tempfile.TemporaryFile() as f:
            f.write(b'{"cmd":"status","id":1}\n{"cmd":"status","id":2}\n')
            f.seek(0)
            with Helper(QUIET, stdin=f) as h:
                self.assertEqual(h.wait(), 0)
                lines = h.rest()
        self.assertEqual(lines[0], {"t": "ready", "ax": True, "tap": True})
        self.assertEqual([l.get("id") for l in lines[1:]], [1, 2])

    def test_malformed_lines_are_dropped_and_ints_are_taken_exactly(self):
        with Helper(QUIET) as h:
            self.assertEqual(h.line()["t"], "ready")
            h.send('{"cmd":"status","id":"7"}', '{"id":1}', "[1,2]", '{"cmd":"arm","armed":1}',
                   "not json", '{"cmd":"config","swallow":[{"key":"Space"}],"id":3}', "",
                   b'{"cmd":"status","id":\xff}', b'{"cmd":"status","id":15}\0{"cmd":"quit"}',
                   '{"cmd":"status","id":-9223372036854775809}', '{"cmd":"status","id":1e-400}',
                   '{"cmd":"status","id":9007199254740993.0}', '{"cmd":"status","id":4}')
            self.assertEqual(h.line(), {"ok": True, "ax": True, "tap": True, "secure": False,
                                        "id": 9007199254740993})
            self.assertEqual(h.line(),
                             {"ok": True, "ax": True, "tap": True, "secure": False, "id": 4})

    def test_ids_are_echoed_or_absent_and_crlf_and_nulls_are_accepted(self):
        with Helper(QUIET) as h:
            h.line()
            h.send(b'{"cmd":"status","pid":null,"extra":5}\r\n', '{"cmd":"nope","id":9}')
            self.assertEqual(h.line(), {"ok": True, "ax": True, "tap": True, "secure": False})
            self.assertEqual(h.line(), {"ok": False, "error": "unknown command", "id": 9})

    def test_a_rejected_config_changes_nothing(self):
        # Armed, the helper would report the A key; with the rule lacking "when" in force, Space
        # with Left Option would no longer be swallowed.
        keys = [{"at": 1000, "press": "KeyA"}, {"release": "KeyA"}, {"press": "LeftOption"},
                {"press": "Space"}, {"release": "Space"}, {"release": "LeftOption"}]
        with Helper(dict(QUIET, input=keys)) as h:
            h.send('{"cmd":"config","armed":true,"swallow":[{"key":"Space"}],"id":1}')
            self.assertEqual(h.line()["t"], "ready")
            seen = h.lines_until(lambda l: l.get("t") == "up", timeout=10)
            self.assertEqual([(l["t"], l.get("key"), l.get("swallowed")) for l in seen
                              if l["t"] != "secure"],
                             [("down", "LeftOption", None), ("key", "Space", True),
                              ("key", "Space", True), ("up", "LeftOption", None)])
            self.assertEqual(h.ask({"cmd": "status", "id": 2})["id"], 2)
            received = [r.get("code") for r in h.record() if r["do"] == "receive"]
            self.assertNotIn(49, received)


class Backpressure(unittest.TestCase):
    def test_commands_waiting_for_a_slow_reader_stay_in_the_pipe_not_in_memory(self):
        count = 200_000
        with Helper(QUIET, args=["--no-keys"]) as h:
            h.line()
            before = h.memory_kib()
            payload = b"".join(b'{"cmd":"status","id":%d}\n' % i for i in range(count))
            writer = threading.Thread(target=lambda: (h.proc.stdin.write(payload),
                                                      h.proc.stdin.close()))
            writer.start()
            time.sleep(1.5)  # nobody reads the replies meanwhile
            grown = h.memory_kib() - before
            replies = 0
            while replies < count:
                chunk = os.read(h.proc.stdout.fileno(), 1 << 20)
                self.assertTrue(chunk, f"the helper ended after {replies} replies")
                replies += chunk.count(b"\n")
            writer.join()
            self.assertEqual(h.wait(), 0)
            # Queued as decoded commands, 200,000 lines would take well over 100 MiB.
            self.assertLess(grown, 32 * 1024, f"grew by {grown} KiB")


class HostileInput(unittest.TestCase):
    def test_overlong_lines_are_dropped_without_being_held_and_memory_goes_back(self):
        lines = [line_of(100 << 20, 1), line_of(CEILING, 2), line_of(CEILING + 1, 3)]
        head = b'{"cmd":"status","id":4,"x":['
        lines.append(head + b"1," * ((CEILING - len(head) - 3) // 2) + b"1]}")  # 2M elements
        # Under an address-space limit that leaves room for a few lines at the ceiling but not
        # for one line of 100 MB.
        limit = None if sanitized() else 640 << 20
        with Helper(QUIET, args=["--no-keys"], memory_limit=limit) as h:
            h.line()
            idle, peak = h.memory_kib(), h.memory_kib("VmHWM")
            h.send(*lines, '{"cmd":"status","id":5}')
            replies = h.lines_until(lambda l: l.get("id") == 5, timeout=120)
            self.assertEqual([l["id"] for l in replies if "id" in l], [2, 4, 5])
            if not sanitized():
                self.assertLess(h.memory_kib("VmHWM") - peak, 40 * 1024)
                self.assertLess(h.memory_kib() - idle, 4 * 1024)
            self.assertEqual(h.finish(), (0, b""))

    def test_posted_keys_leave_nothing_in_memory_without_a_record_file(self):
        with Helper(QUIET, args=["--no-keys"], record=False) as h:
            h.line()
            idle = h.memory_kib()
            h.send(*({"cmd": "selectBack", "count": 5000, "id": i} for i in range(40)))
            h.replies(range(40), timeout=120)
            if not sanitized():
                # Kept in memory, the 400,000 posted key events would take some 300 MB.
                self.assertLess(h.memory_kib() - idle, 8 * 1024)


class Commands(unittest.TestCase):
    def test_select_back_clamps_and_posts_marked_shift_left_pairs(self):
        with Helper(QUIET) as h:
            h.line()
            self.assertEqual(h.ask({"cmd": "selectBack", "count": 9999, "id": 1}),
                             {"ok": True, "steps": 5000, "id": 1})
            posts = [r for r in h.record() if r["do"] == "post"]
            self.assertEqual(len(posts), 10000)
            self.assertEqual(posts[0], {"do": "post", "at": "hid", "type": "keyDown", "code": 123,
                                        "flags": SHIFT, "mark": MARK})
            self.assertEqual(posts[1]["type"], "keyUp")
            self.assertTrue(all(p["flags"] == SHIFT and p["mark"] == MARK for p in posts))
            for count in (-4, None):
                command = {"cmd": "selectBack", "id": 2}
                if count is not None:
                    command["count"] = count
                self.assertEqual(h.ask(command), {"ok": True, "steps": 0, "id": 2})
            self.assertEqual(len([r for r in h.record() if r["do"] == "post"]), 10000)

    def test_access_queries_ask_the_system_only_when_told_and_not_granted(self):
        scenario = {"permissions": {"screenRecording": False, "listenEvent": True,
                                    "grantOnRequest": True}}
        with Helper(scenario) as h:
            h.line()
            self.assertEqual(h.ask({"cmd": "screenAccess", "id": 1}),
                             {"ok": True, "granted": False, "id": 1})
            self.assertEqual(h.ask({"cmd": "inputAccess", "request": True, "id": 2}),
                             {"ok": True, "granted": True, "id": 2})
            self.assertEqual([r for r in h.record() if r["do"] == "request"], [])
            self.assertEqual(h.ask({"cmd": "screenAccess", "request": True, "id": 3}),
                             {"ok": True, "granted": True, "id": 3})
            self.assertEqual([r for r in h.record() if r["do"] == "request"],
                             [{"do": "request", "permission": "screenRecording"}])


class Endings(unittest.TestCase):
    DUCKABLE = {"volume": {"level": 0.5}}

    def ducked_helper(self):
        h = Helper(self.DUCKABLE)
        h.line()
        self.assertEqual(h.ask({"cmd": "duck", "id": 1}), {"ok": True, "id": 1})
        return h

    def assert_volume_restored(self, h):
        levels = [round(r["level"], 4) for r in h.record() if r["do"] == "setVolume"]
        self.assertEqual(levels, [0.1, 0.5])

    def test_quit_restores_the_volume_replies_and_exits_0(self):
        with self.ducked_helper() as h:
            h.send({"cmd": "quit", "id": 3})
            self.assertEqual(h.line(), {"ok": True, "id": 3})
            self.assertEqual(h.wait(), 0)
            self.assertEqual(h.rest(), [])
            self.assert_volume_restored(h)

    def test_end_of_input_runs_every_command_read_then_restores_and_exits_0(self):
        with self.ducked_helper() as h:
            h.send(*({"cmd": "status", "id": i} for i in range(10, 60)))
            h.close_stdin()
            self.assertEqual(h.wait(), 0)
            self.assertEqual([l["id"] for l in h.rest()], list(range(10, 60)))
            self.assert_volume_restored(h)

    def test_sigterm_and_sigint_restore_the_volume_and_exit_0(self):
        for number in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=number), self.ducked_helper() as h:
                h.proc.send_signal(number)
                self.assertEqual(h.wait(), 0)
                self.assert_volume_restored(h)

    def test_sighup_ends_the_helper_by_its_default_action(self):
        with self.ducked_helper() as h:
            h.proc.send_signal(signal.SIGHUP)
            self.assertEqual(h.wait(), -signal.SIGHUP)
            levels = [round(r["level"], 4) for r in h.record() if r["do"] == "setVolume"]
            self.assertEqual(levels, [0.1], "the volume stays ducked")


class StartUp(unittest.TestCase):
    def test_access_flag_prints_one_line_only_when_first(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        scenario = os.path.join(folder.name, "scenario.json")
        with open(scenario, "w") as f:
            f.write('{"permissions": {"screenRecording": false, "listenEvent": true}}')
        env = dict(os.environ, PARLEVOX_DESKTOP=scenario)
        out = subprocess.run([HELPER, "--access"], capture_output=True, env=env, timeout=5,
                             stdin=subprocess.DEVNULL)
        self.assertEqual(out.returncode, 0)
        self.assertEqual(out.stdout, b'{"screen":false,"listen":true}\n')
        later = subprocess.run([HELPER, "--no-keys", "--access"], capture_output=True, env=env,
                               timeout=5, stdin=subprocess.DEVNULL)
        self.assertEqual(later.returncode, 0)
        self.assertEqual(later.stdout.splitlines()[0], b'{"ax":true,"t":"ready","tap":false}')

    def test_no_keys_never_reports_a_tap_and_secure_comes_after_a_second(self):
        with Helper({"eventTap": {"available": False}}, args=["--no-keys"]) as h:
            self.assertEqual(h.line(), {"t": "ready", "ax": True, "tap": False})
            started = time.monotonic()  # the timer starts right after "ready"
            self.assertEqual(h.line(3), {"t": "secure", "on": False})
            elapsed = time.monotonic() - started
            self.assertGreater(elapsed, 0.7)
            self.assertLess(elapsed, 2.5)
            self.assertIsNone(h.line(1.5), "no tap event and no repeated secure event")
            self.assertNotIn("createTap", [r["do"] for r in h.record()])

    def test_a_failed_tap_is_reported_with_its_reason_and_retried(self):
        cases = [({"eventTap": {"available": False}}, "tap_failed"),
                 ({"eventTap": {"available": False}, "permissions": {"accessibility": False}},
                  "no_accessibility")]
        for scenario, reason in cases:
            with self.subTest(reason=reason), Helper(scenario) as h:
                self.assertEqual(h.line()["tap"], False)
                self.assertEqual(h.line(), {"t": "tap", "ok": False, "reason": reason})
        with Helper({"eventTap": {"failAttempts": 1}}) as h:
            self.assertEqual(h.line(), {"t": "ready", "ax": True, "tap": False})
            self.assertEqual(h.line(), {"t": "tap", "ok": False, "reason": "tap_failed"})
            later = h.lines_until(lambda l: l.get("t") == "tap", timeout=3)
            self.assertEqual(later[-1], {"t": "tap", "ok": True})
            self.assertEqual(h.ask({"cmd": "status", "id": 1})["tap"], True)

    def test_the_helper_makes_itself_faceless(self):
        with Helper(QUIET) as h:
            h.line()
            h.ask({"cmd": "status", "id": 1})
            self.assertIn({"do": "activationPolicy", "policy": "prohibited"}, h.record())


if __name__ == "__main__":
    unittest.main()
