"""parlevox from the command line: fixed words, operation names, every input form and its errors,
the caller's name and the exact request bytes. The application side is a recording test peer."""
import json
import os
import unittest

from support import HELP, VERSION, TempDirTestCase, run, usage_error

OK = b'{"result":{"ok":true}}\n'


class FixedWordsTest(TempDirTestCase):
    def test_help_words_print_the_help_and_ignore_what_follows(self):
        for args in ([], ["-h"], ["--help"], ["help"], ["help", "extra", "words"]):
            with self.subTest(args=args):
                result = run(args, self.env())
                self.assertEqual((result.stdout, result.stderr, result.returncode), (HELP, b"", 0))

    def test_version_words_print_the_version_line(self):
        for args in (["-V"], ["--version"], ["version", "x"]):
            with self.subTest(args=args):
                result = run(args, self.env())
                self.assertEqual((result.stdout, result.stderr, result.returncode),
                                 (f"parlevox {VERSION}\n".encode(), b"", 0))

    def test_mcp_runs_the_server_until_the_end_of_stdin_and_ignores_what_follows(self):
        for args in (["mcp"], ["mcp", "--help"]):
            with self.subTest(args=args):
                result = run(args, self.env(), stdin=b'{"id":1,"method":"ping"}\n')
                self.assertEqual((result.stdout, result.stderr, result.returncode),
                                 (b'{"id":1,"jsonrpc":"2.0","result":{}}\n', b"", 0))


class RequestTest(TempDirTestCase):
    """What reaches the application for a given command line."""

    def call(self, args, stdin=b"", cwd=None, **env):
        peer = self.answering(OK)
        result = run(args, self.env(**env), stdin=stdin, cwd=cwd)
        self.assertEqual((result.stderr, result.returncode), (b"", 0), args)
        self.assertEqual(len(peer.requests), 1)
        return json.loads(peer.requests[0])

    def test_request_line_is_compact_sorted_utf8_with_a_newline(self):
        peer = self.answering(OK)
        run(["app.info"], self.env())
        run(["x", '{"z":1,"a":"é","m":{"y":2,"b":[1,{"d":0,"c":0}]}}'], self.env())
        self.assertEqual(peer.requests, [
            b'{"id":1,"jsonrpc":"2.0","meta":{"client":"cli"},"method":"app.info","params":{}}\n',
            b'{"id":1,"jsonrpc":"2.0","meta":{"client":"cli"},"method":"x",'
            b'"params":{"a":"\xc3\xa9","m":{"b":[1,{"c":0,"d":0}],"y":2},"z":1}}\n'])

    def test_two_words_join_only_for_a_plain_lowercase_second_word(self):
        cases = [(["commands", "add"], "commands.add", {}),
                 (["commands", "add_all", '{"a":1}'], "commands.add_all", {"a": 1}),
                 (["commands", ""], "commands.", {}),
                 (["commands", "{}"], "commands", {}),
                 (["commands", "--a", "1"], "commands", {"a": 1}),
                 (["app.info"], "app.info", {})]
        for args, method, params in cases:
            with self.subTest(args=args):
                request = self.call(args)
                self.assertEqual((request["method"], request["params"]), (method, params))

    def test_json_argument_of_any_type_is_the_input(self):
        for text, value in (("5", 5), ('"s"', "s"), ("[1,2]", [1, 2]), ("null", None),
                            ("true", True), (' {"b":1,"a":{}} ', {"a": {}, "b": 1})):
            with self.subTest(text=text):
                self.assertEqual(self.call(["do.it", text])["params"], value)

    def test_stdin_dash_reads_and_trims_the_input(self):
        self.assertEqual(self.call(["commands", "add", "-"], stdin=b' \n{"a":1}\n')["params"],
                         {"a": 1})
        request = self.call(["commands.add", "-"], stdin='\u3000[1]\u00a0'.encode())
        self.assertEqual((request["method"], request["params"]), ("commands.add", [1]))

    def test_input_file_in_every_encoding_and_both_spellings(self):
        text = '{"phrase": "запусти 🚀"}\n'
        files = {"plain": text.encode(), "bom": b"\xef\xbb\xbf" + text.encode(),
                 "le": b"\xff\xfe" + text.encode("utf-16-le") + b"\x00",  # odd byte ignored
                 "be": b"\xfe\xff" + text.encode("utf-16-be")}
        for name, data in files.items():
            path = self.write(name, data)
            for args in (["--input-file", path], ["--input-file=" + path]):
                with self.subTest(file=name, args=args[0][:13]):
                    self.assertEqual(self.call(["op"] + args)["params"],
                                     {"phrase": "запусти 🚀"})
        self.assertEqual(self.call(["op", "--input-file", "plain"], cwd=self.dir)["params"],
                         {"phrase": "запусти 🚀"})

    def test_flags_build_one_object(self):
        cases = [(["--a=1", "--a", "2"], {"a": 2}),
                 (["--a", "--b"], {"a": "--b"}),
                 (["--phrase", "hello world", "--limit", "5"], {"phrase": "hello world", "limit": 5}),
                 (["--values", '{"project":"landing"}'], {"values": {"project": "landing"}}),
                 (["--x", '"q"', "--flag", "true", "--n", "null"], {"x": "q", "flag": True, "n": None}),
                 (["--some-long-name", "x"], {"some_long_name": "x"}),
                 (["--input-file", "x", "--b", "1"], {"input_file": "x", "b": 1}),
                 (["--eq=a=b", "--empty="], {"eq": "a=b", "empty": ""})]
        for items, params in cases:
            with self.subTest(items=items):
                self.assertEqual(self.call(["op"] + items)["params"], params)

    def test_client_name_comes_from_the_environment(self):
        cases = [({}, "cli"), ({"PARLEVOX_CLIENT": ""}, ""),
                 ({"PARLEVOX_CLIENT": "agent-x", "CLAUDECODE": "1"}, "agent-x"),
                 ({"CLAUDECODE": "", "CODEX_HOME": "/x"}, "claude-code"),
                 ({"CODEX_SANDBOX": "seatbelt"}, "codex"), ({"CODEX_HOME": ""}, "codex"),
                 ({"PARLEVOX_CLIENT": b"\xff", "CODEX_HOME": "/x"}, "codex")]
        for env, client in cases:
            with self.subTest(env=env):
                self.assertEqual(self.call(["app.info"], **env)["meta"], {"client": client})


class UsageErrorTest(TempDirTestCase):
    """Bad usage or input: the message and the help on stderr, nothing on stdout, exit 2, and
    the application is never contacted."""

    def assert_usage_error(self, args, message, stdin=b"", exact=True):
        peer = self.answering(OK)
        result = run(args, self.env(), stdin=stdin)
        self.assertEqual((result.stdout, result.returncode, peer.connections), (b"", 2, 0), args)
        if exact:
            self.assertEqual(result.stderr, usage_error(message))
        else:
            self.assertTrue(result.stderr.startswith(b"parlevox: " + message), result.stderr)
            self.assertTrue(result.stderr.endswith(b"\n\n" + HELP + b"\n"))
            self.assertIn(b"line 1, column", result.stderr)

    def test_json_faults_name_the_source_and_the_position(self):
        not_utf16 = self.write("no-bom", '{"a":1}'.encode("utf-16-le"))
        for args, message, stdin in (
                (["app.info", "extra"], b"input is not JSON: ", b""),
                (["commands", "Add"], b"input is not JSON: ", b""),
                (["commands", "add2"], b"input is not JSON: ", b""),
                (["do.it", ""], b"input is not JSON: ", b""),
                (["op", "-"], b"stdin is not JSON: ", b""),
                (["op", "-"], b"stdin is not JSON: ", b"  \n"),
                (["op", "--input-file", not_utf16], not_utf16.encode() + b" is not JSON: ", b""),
                (["do.it", "[" * 600 + "]" * 600], b"input is not JSON: nesting deeper", b""),
                (["do.it", '{"a":1e400}'], b"input is not JSON: number overflow", b"")):
            with self.subTest(args=args[:2], stdin=stdin):
                self.assert_usage_error(args, message, stdin=stdin, exact=False)

    def test_unreadable_and_undecodable_input(self):
        missing = os.path.join(self.dir, "missing.json")
        broken = self.write("broken", b"\xff\xfe" + "{\"a\":\"".encode("utf-16-le") + b"\x00\xd8}\x00")
        latin1 = self.write("latin1", b'{"a":"caf\xe9"}')
        cases = [(["op", "--input-file", missing],
                  b"cannot read " + missing.encode() + b": No such file or directory (os error 2)"),
                 (["op", "--input-file="], b"cannot read : No such file or directory (os error 2)"),
                 (["op", "--input-file", self.dir],
                  b"cannot read " + self.dir.encode() + b": Is a directory (os error 21)"),
                 (["op", "--input-file", broken], b"the input is broken UTF-16 text"),
                 (["op", "--input-file", latin1], b"the input is not UTF-8 text: save it as UTF-8")]
        for args, message in cases:
            with self.subTest(args=args):
                self.assert_usage_error(args, message)
        self.assert_usage_error(["op", "-"], b"the input is not UTF-8 text: save it as UTF-8",
                                stdin=b"\xc3(")
        directory = os.open(self.dir, os.O_RDONLY)  # reading a directory fails with EISDIR
        self.addCleanup(os.close, directory)
        self.assert_usage_error(["op", "-"], b"Is a directory (os error 21)", stdin=directory)

    def test_flag_faults(self):
        for args, message in ((["op", "X", "--a", "1"], b"expected --field, got X"),
                              (["op", "-a", "1"], b"expected --field, got -a"),
                              (["commands", "add", "--input-file"], b"--input-file needs a value"),
                              (["op", "--a", "1", "--b-c"], b"--b-c needs a value"),
                              (["op", "--a", b"\xff"], b"the value of --a is not UTF-8 text")):
            with self.subTest(args=args):
                self.assert_usage_error(args, message)


if __name__ == "__main__":
    unittest.main()
