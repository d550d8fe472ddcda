"""parlevox against the reference application: success and every error kind end to end, and
the application surviving bad requests while it serves connections one after another."""
import json
import os
import shutil
import socket
import tempfile
import unittest

from support import ReferenceApp, base_env, error_output, run


class ReferenceAppTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="pvx-app-")
        cls.socket = os.path.join(cls.dir, "api.sock")
        cls.app = ReferenceApp(cls.socket)

    @classmethod
    def tearDownClass(cls):
        cls.app.close()
        shutil.rmtree(cls.dir, ignore_errors=True)

    def parlevox(self, *args, stdin=b""):
        result = run(list(args), base_env(self.dir, PARLEVOX_SOCKET=self.socket), stdin=stdin)
        return result.stdout, result.stderr, result.returncode

    def assert_error(self, args, code, kind, message, exit_code):
        self.assertEqual(self.parlevox(*args), (error_output(code, kind, message),
                                                b"parlevox: " + message.encode() + b"\n",
                                                exit_code))

    def test_success_prints_the_result(self):
        self.assertEqual(self.parlevox("commands", "test", "--phrase", "запусти сервер лендинга"), (
            '{\n  "command": "run_dev_server",\n  "matched": true,\n  "name": "Run dev server",\n'
            '  "phrase": "запусти сервер {project}",\n  "values": {\n'
            '    "project": "лендинга"\n  }\n}\n'.encode(), b"", 0))

    def test_every_error_kind_and_its_exit_code(self):
        approval = "Run dev server waits for your approval in Parlevox → Automation"
        cases = [(["commands", "run", "--id", "run_dev_server", "--values", '{"project":"landing"}'],
                  -32003, "needs_approval", approval, 4),
                 (["commands", "run", "--id", "focus_mode"], -32004, "unavailable",
                  'Shortcuts are not available on this computer, so "Focus" cannot run', 3),
                 (["commands", "run", "--id", "share_notes"], -32000, "failed",
                  "step 1 (http) failed: cannot reach https://hooks.example.invalid/notes", 1),
                 (["commands", "run", "--id", "nope"], -32001, "not_found",
                  "no voice command with the id nope", 2),
                 (["settings", "set", "--changes", '{"fieldMic":{"enabled":1}}'], -32602,
                  "invalid", "setting fieldMic.enabled must be a boolean", 2),
                 (["no.such"], -32601, "not_found",
                  "Unknown operation: no.such. Run `parlevox describe` for the list.", 2)]
        for args, code, kind, message, exit_code in cases:
            with self.subTest(kind=kind):
                self.assert_error(args, code, kind, message, exit_code)

    def test_added_command_is_listed_and_runs(self):
        command = {"id": "say_hi", "phrases": ["say hi to {who}"], "variables": [{"name": "who"}],
                   "steps": [{"kind": "text", "text": "Hi {who}!"}]}
        stdout, _, code = self.parlevox("commands", "add", "-", stdin=json.dumps(command).encode())
        self.assertEqual((json.loads(stdout)["needsApproval"], code), (False, 0))
        listed = json.loads(self.parlevox("commands", "list")[0])
        self.assertIn("say_hi", [c["id"] for c in listed])
        ran = json.loads(self.parlevox("commands.run", '{"id":"say_hi","values":{"who":"Ann"}}')[0])
        self.assertEqual(ran["steps"][0]["detail"], "typed Hi Ann!")
        again = self.parlevox("commands", "add", "-", stdin=json.dumps(command).encode())
        self.assertEqual(again[1:], (b"parlevox: a voice command with the id say_hi already exists\n", 2))

    def test_phrases_with_many_variables_are_matched_without_blowing_up(self):
        names = "abcdef"
        command = {"id": "many", "phrases": ["".join("{%s}" % n for n in names) + " x"],
                   "variables": [{"name": n} for n in names], "steps": [{"kind": "text", "text": "t"}]}
        self.assertEqual(self.parlevox("commands.add", json.dumps(command))[2], 0)
        stdout, _, code = self.parlevox("commands", "test", "--phrase", "y" * 490)
        self.assertEqual((json.loads(stdout)["matched"], code), (False, 0))

    def test_describe_lists_operations_for_tools(self):
        operations = json.loads(self.parlevox("describe")[0])["operations"]
        names = [op["name"] for op in operations]
        for name in ("app.info", "commands.list", "commands.add", "commands.test", "commands.run",
                     "settings.get", "settings.set", "history.search"):
            self.assertIn(name, names)
        self.assertTrue(any("title" not in op for op in operations))
        self.assertIsInstance(json.loads(self.parlevox("commands", "list")[0]), list)

    def exchange(self, data: bytes) -> bytes:
        with socket.socket(socket.AF_UNIX) as client:
            client.settimeout(10)
            client.connect(self.socket)
            client.sendall(data)
            client.shutdown(socket.SHUT_WR)
            answer = b""
            while chunk := client.recv(65536):
                answer += chunk
            return answer

    def request(self, method, params):
        line = json.dumps({"id": 1, "method": method, "params": params}).encode() + b"\n"
        return json.loads(self.exchange(line))

    def test_values_are_filled_in_once_and_within_a_ceiling(self):
        add = lambda id, text: self.request("commands.add", {  # noqa: E731
            "id": id, "phrases": [id + " {a} {b}"], "variables": [{"name": "a"}, {"name": "b"}],
            "steps": [{"kind": "text", "text": text}]})
        add("fill_once", "{a}|{b}|{c}|{{a}}|{a")
        ran = self.request("commands.run", {"id": "fill_once", "values": {"a": "{b}", "b": "B"}})
        self.assertEqual(ran["result"]["steps"][0]["detail"], "typed {b}|B|{c}|{{b}}|{a")
        # 200 000 marks times 10 kB would be 2 GB of text.
        add("fill_big", "{a}" * 200_000)
        ran = self.request("commands.run", {"id": "fill_big", "values": {"a": "x" * 10_000, "b": ""}})
        self.assertEqual(ran["error"]["message"],
                         "the filled-in step is longer than 1048576 bytes")
        for id in ("fill_once", "fill_big"):
            self.request("commands.remove", {"id": id})

    def test_the_number_of_commands_is_bounded(self):
        count = self.request("app.info", {})["result"]["commands"]
        step = [{"kind": "text", "text": "t"}]
        for i in range(1000 - count):
            self.assertIn("result", self.request("commands.add", {"id": f"c{i}", "phrases": [f"p{i}"],
                                                                  "steps": step}))
        refused = self.request("commands.add", {"id": "one_more", "phrases": ["p"], "steps": step})
        self.assertEqual(refused["error"]["message"], "there are already 1000 voice commands")
        for i in range(1000 - count):
            self.request("commands.remove", {"id": f"c{i}"})

    def test_bad_requests_get_an_invalid_answer_and_the_app_keeps_serving(self):
        bad = [(b"garbage\n", -32700), (b"\xff\xfe\n", -32700), (b"[1]\n", -32600),
               (b'{"id":1e400,"method":"app.info"}\n', -32700),
               (b'{"id":3}\n', -32600), (b"[" * 10_000 + b"\n", -32700),
               (b'{"id":6,"method":"app.info"}\x00garbage\n', -32700),
               (b'{"id":4,"method":"commands.run","params":[1]}\n', -32602),
               (b'{"id":5,"method":"history.search","params":{"limit":"all"}}\n', -32602),
               (b'{"method":"commands.test","params":{"phrase":"' + b"a{" * 400 + b'"}}', -32602)]
        for request, code in bad:
            with self.subTest(request=request[:30]):
                answer = json.loads(self.exchange(request))
                self.assertEqual((answer["error"]["code"], answer["error"]["data"]["kind"]),
                                 (code, "invalid"))
        self.assertEqual(self.exchange(b""), b"")  # a client that asks nothing gets nothing
        for _ in range(20):
            self.assertEqual(self.parlevox("settings", "get", "--key", "sounds")[2], 0)
        self.assertIsNone(self.app.process.poll())


if __name__ == "__main__":
    unittest.main()
