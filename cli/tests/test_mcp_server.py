"""`parlevox mcp` as a black box: lines in, lines out. Framing and the end of the server, every
JSON-RPC error, version negotiation and the per-request version mode, and the tools built from a
scripted application's `describe`."""
import json
import os
import select
import subprocess
import unittest

from support import (NOT_RUNNING, PARLEVOX, SANITIZED, VERSION, TempDirTestCase, address_space_limit,
                     base_env, densest_document)

SUPPORTED = ["2026-07-28", "2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"]
SERVER_INFO = {"name": "parlevox", "title": "Parlevox", "version": VERSION,
               "description": "Voice dictation for macOS: voice commands (automations), settings, "
                              "modes, dictionary, history.",
               "websiteUrl": "https://parlevox.com"}
INSTRUCTIONS = (
    "Parlevox is the user's voice dictation app. To make the computer do something by voice, "
    "create a voice command with commands_add: phrases the user says after the Command shortcut "
    "(⌥ Space; app_info tells the real one), spoken variables, and steps (open a link, run a file "
    "or code hidden or in a Terminal window, a macOS Shortcut, a webhook, text). The cloud model "
    "only picks the command and the values; Parlevox runs the steps. The app shows voice commands "
    "as automations: ones with file, script, shortcut or http steps run only after the user clicks "
    "Allow in Parlevox → Automation. Check a command with commands_test.")
DISCOVERY = {"_meta": {"io.modelcontextprotocol/serverInfo": SERVER_INFO}, "cacheScope": "public",
             "capabilities": {"tools": {}}, "instructions": INSTRUCTIONS, "resultType": "complete",
             "supportedVersions": SUPPORTED, "ttlMs": 3600000}


def wire(value) -> bytes:
    """`value` as the server must write it: compact, keys sorted, UTF-8, one line."""
    return json.dumps(value, sort_keys=True, separators=(",", ":"), ensure_ascii=False).encode()


def request(id, method, params=None, **extra) -> bytes:
    message = {"jsonrpc": "2.0", "id": id, "method": method, **extra}
    if params is not None:
        message["params"] = params
    return json.dumps(message, ensure_ascii=False).encode()


def result(id, value) -> bytes:
    return wire({"id": id, "jsonrpc": "2.0", "result": value})


def error(id, code, message, data=None) -> bytes:
    body = {"code": code, "message": message} | ({"data": data} if data is not None else {})
    return wire({"error": body, "id": id, "jsonrpc": "2.0"})


def meta(version=None, client=None) -> dict:
    inner = {}
    if version is not None:
        inner["io.modelcontextprotocol/protocolVersion"] = version
    if client is not None:
        inner["io.modelcontextprotocol/clientInfo"] = {"name": client, "version": "1"}
    return {"_meta": inner}


class McpTestCase(TempDirTestCase):
    def serve(self, *lines, stdin=None, env=None, preexec_fn=None):
        """Runs `parlevox mcp` on the given lines (each ended with a newline) or raw stdin bytes;
        gives (output lines, stderr, exit code)."""
        data = stdin if stdin is not None else b"".join(line + b"\n" for line in lines)
        done = subprocess.run([PARLEVOX, "mcp"], input=data, capture_output=True, timeout=60,
                              env=env or self.env(), preexec_fn=preexec_fn)
        return done.stdout.splitlines(), done.stderr, done.returncode

    def assert_answers(self, lines, expected):
        self.assertEqual(self.serve(*lines), (expected, b"", 0))


class FramingTest(McpTestCase):
    def test_responses_are_compact_sorted_lines_with_ids_echoed_as_received(self):
        ids = [7, "abc", 0, -1.5, 18446744073709551615, None, {"b": [1]}]
        self.assert_answers([request(i, "ping") for i in ids], [result(i, {}) for i in ids])
        # Numbers keep the very text they were sent with, whatever a double could hold; the id
        # is found under an escaped key, after members holding braces, and the last one counts.
        texts = [b"18446744073709551617", b"-9223372036854775809", b"1e2", b"1.50", b"-0",
                 b"123456789012345678901234567890.5E-3"]
        lines = [b'{"method":"ping","id":' + text + b"}" for text in texts]
        lines += [b'{"params":{"id":{"x":"}"}},"\\u0069d" : 1E+2 ,"method":"ping"}',
                  b'{"id":1,"method":"nope","id":2.0}']
        self.assert_answers(lines, [b'{"id":' + text + b',"jsonrpc":"2.0","result":{}}'
                                    for text in texts + [b"1E+2"]] +
                            [b'{"error":{"code":-32601,"message":"Method not found: nope"},'
                             b'"id":2.0,"jsonrpc":"2.0"}'])

    def test_notifications_are_never_answered(self):
        notifications = [b'{"jsonrpc":"2.0","method":"notifications/initialized"}',
                         b'{"method":"no/such"}', b'{"method":"ping","params":{"a":1}}',
                         b'{"method":"tools/list"}', b'{}',
                         b'{"method":"ping","params":' + json.dumps(meta("1999")).encode() + b"}"]
        self.assert_answers(notifications + [request(1, "ping")], [result(1, {})])

    def test_lines_that_are_not_messages(self):
        self.assert_answers(
            [b"[]", b"5", b'"text"', b"true", b"null", b'[{"id":1,"method":"ping"}]', b"{",
             b"ping", b'{"id":1,"method":"ping"} x', b'{"id":1e400,"method":"ping"}',
             b"[" * 600 + b"]" * 600, b'{"id":"\\ud800","method":"ping"}',
             # A NUL does not end the text: the bytes after it are the syntax error they are.
             b'{"id":1,"method":"ping"}\x00x', b'{"id":1,"method":"ping"}\x00',
             b'{"id":1,"method":"pi\x00ng"}'],
            [error(None, -32600, "Batches are not supported")] * 6 +
            [error(None, -32700, "Parse error")] * 9)

    def test_unknown_missing_and_non_text_methods(self):
        self.assert_answers(
            [request(1, "Ping"), request(2, "prompts/get"), b'{"id":3}', b'{"id":4,"method":5}',
             b'{"id":null,"method":"x"}', b'{"id":5,"method":"ping","params":null}'],
            [error(1, -32601, "Method not found: Ping"),
             error(2, -32601, "Method not found: prompts/get"),
             error(3, -32601, "Method not found: "), error(4, -32601, "Method not found: "),
             error(None, -32601, "Method not found: x"), result(5, {})])

    def test_fixed_answers(self):
        self.assert_answers([request(1, "prompts/list"), request(2, "resources/list", {}),
                             request(3, "server/discover"), request(4, "ping", [1, 2])],
                            [result(1, {"prompts": []}), result(2, {"resources": []}),
                             result(3, DISCOVERY), result(4, {})])

    def test_blank_lines_white_space_and_crlf(self):
        ping = request(1, "ping")
        stdin = (b"\n\r\n  \t \r\n" + ping + b"\r\n" + b" \t" + ping + b"  \n" +
                 "\u00a0\u2003".encode() + ping + "\u3000".encode() + b"\n" + ping)  # no final \n
        self.assertEqual(self.serve(stdin=stdin), ([result(1, {})] * 4, b"", 0))

    def test_long_lines_and_many_lines_in_one_read(self):
        text = "й" * 200_000
        lines = [request(i, "ping", {"pad": text if i == 0 else i}) for i in range(2000)]
        self.assert_answers(lines, [result(i, {}) for i in range(2000)])

    def test_lines_past_the_ceiling_are_parse_errors_and_the_server_goes_on(self):
        ceiling = 4 << 20
        at_ceiling = b'{"id":1,"method":"ping","params":{"pad":"' + b"x" * (ceiling - 44) + b'"}}'
        self.assertEqual(len(at_ceiling), ceiling)
        past = at_ceiling.replace(b'"id":1', b'"id":22')
        self.assert_answers([at_ceiling, past, request(3, "ping"), b"x" * (10 * ceiling)],
                            [result(1, {}), error(None, -32700, "Parse error"), result(3, {}),
                             error(None, -32700, "Parse error")])

    def test_an_endless_line_is_answered_once_and_never_held(self):
        server = subprocess.Popen([PARLEVOX, "mcp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  env=self.env())
        chunk = b"[" * (1 << 20)
        for _ in range(128):  # 128 MiB without a newline
            server.stdin.write(chunk)
        server.stdin.flush()
        # Answered as soon as the line passes the ceiling, while it still goes on.
        self.assertTrue(select.select([server.stdout], [], [], 30)[0], "no answer to the line")
        self.assertEqual(server.stdout.readline(), error(None, -32700, "Parse error") + b"\n")
        server.stdin.write(b"\n" + request(2, "ping") + b"\n")
        server.stdin.close()
        self.assertEqual(server.stdout.read(), result(2, {}) + b"\n")
        server.stdout.close()
        _, status, usage = os.wait4(server.pid, 0)
        server.returncode = os.waitstatus_to_exitcode(status)
        self.assertEqual(server.returncode, 0)
        # Kilobytes: half of what was sent, with room for the sanitizers' own memory.
        self.assertLess(usage.ru_maxrss, 64 << 10)

    @unittest.skipIf(SANITIZED, "sanitizers need more address space than the limit allows")
    def test_running_out_of_memory_answers_an_error_and_the_server_goes_on(self):
        # The densest 4 MiB message needs about 160 MiB once parsed.
        line = b'{"id":1,"method":"ping","params":' + densest_document((4 << 20) - 40) + b"}"
        self.assertEqual(self.serve(line, request(2, "ping"), preexec_fn=address_space_limit(120)),
                         ([error(None, -32603, "Out of memory"), result(2, {})], b"", 0))

    def test_ends_with_exit_0_at_end_of_input_and_at_a_line_that_is_not_utf8(self):
        self.assertEqual(self.serve(stdin=b""), ([], b"", 0))
        ping = request(1, "ping")
        for bad in (b'{"id":2,"method":"caf\xe9"}', b"\xff", b"\xed\xa0\x80", b"\xc0\xaf"):
            with self.subTest(bad=bad):
                self.assertEqual(self.serve(ping, bad, request(3, "ping")),
                                 ([result(1, {})], b"", 0))

    def test_ends_with_exit_0_when_stdin_cannot_be_read(self):
        folder = os.open(self.dir, os.O_RDONLY)  # read(2) on a directory fails with EISDIR
        self.addCleanup(os.close, folder)
        done = subprocess.run([PARLEVOX, "mcp"], stdin=folder, capture_output=True, timeout=30,
                              env=self.env())
        self.assertEqual((done.stdout, done.stderr, done.returncode), (b"", b"", 0))

    def test_ends_with_exit_0_when_stdout_is_closed(self):
        server = subprocess.Popen([PARLEVOX, "mcp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, env=self.env())
        server.stdout.close()
        server.stdin.write(request(1, "ping") + b"\n")
        server.stdin.flush()
        self.assertEqual(server.wait(timeout=30), 0)
        server.stdin.close()
        self.assertEqual(server.stderr.read(), b"")
        server.stderr.close()

    def test_each_response_is_written_before_the_next_line_is_read(self):
        server = subprocess.Popen([PARLEVOX, "mcp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  env=self.env())
        try:
            for i in range(3):
                server.stdin.write(request(i, "ping") + b"\n")
                server.stdin.flush()
                ready, _, _ = select.select([server.stdout], [], [], 30)
                self.assertTrue(ready, "no answer while stdin stays open")
                self.assertEqual(server.stdout.readline(), result(i, {}) + b"\n")
        finally:
            server.stdin.close()
            self.assertEqual(server.wait(timeout=30), 0)
            server.stdout.close()


class VersionTest(McpTestCase):
    def initialize(self, **params):
        return request(1, "initialize", {"capabilities": {}, **params})

    def test_initialize_answers_the_negotiated_version_and_the_server(self):
        handshake = {"capabilities": {"tools": {}}, "instructions": INSTRUCTIONS,
                     "serverInfo": SERVER_INFO}
        asked = ["2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05", "2026-07-28",
                 "2024-10-07", "", 20250618, None]
        answered = ["2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"] + ["2025-11-25"] * 5
        for version, expected in zip(asked, answered):
            with self.subTest(version=version):
                params = {} if version is None else {"protocolVersion": version}
                self.assert_answers([self.initialize(**params)],
                                    [result(1, handshake | {"protocolVersion": expected})])

    def test_per_request_mode_marks_results_complete(self):
        now = meta("2026-07-28")
        self.assert_answers(
            [request(1, "ping", now), request(2, "prompts/list", now),
             request(3, "resources/list", now), request(4, "server/discover", now),
             request(5, "nope", now), request(6, "tools/call", now | {"name": "x"}),
             request(7, "ping", {"_meta": {"io.modelcontextprotocol/protocolVersion": 2026}})],
            [result(1, {"resultType": "complete"}),
             result(2, {"prompts": [], "resultType": "complete"}),
             result(3, {"resources": [], "resultType": "complete"}), result(4, DISCOVERY),
             error(5, -32601, "Method not found: nope"),
             result(6, {"content": [{"text": NOT_RUNNING.decode() + " (unavailable)",
                                     "type": "text"}], "isError": True,
                        "resultType": "complete"}),
             result(7, {})])
        self.assertNotIn(b"resultType", self.serve(self.initialize(**now))[0][0])

    def test_other_meta_versions_are_refused_except_for_discovery(self):
        for version in ("2025-06-18", "2025-11-25", "", "next"):
            with self.subTest(version=version):
                data = {"requested": version, "supported": SUPPORTED}
                self.assert_answers(
                    [request(1, "ping", meta(version)), request(2, "initialize", meta(version)),
                     request(3, "no/such", meta(version)),
                     request(4, "server/discover", meta(version))],
                    [error(1, -32022, "Unsupported protocol version", data),
                     error(2, -32022, "Unsupported protocol version", data),
                     error(3, -32022, "Unsupported protocol version", data), result(4, DISCOVERY)])


def describe_answer(operations):
    return json.dumps({"result": {"operations": operations}}).encode() + b"\n"


class ScriptedApp:
    """A test peer that answers `describe` with `operations` and any other method with
    `answer` (bytes of one answer line), recording the requests."""

    def __init__(self, test, operations, answer=b'{"result":{"ok":true}}\n'):
        self.operations, self.answer = operations, answer
        self.peer = test.peer(self.reply)

    def reply(self, request_bytes):
        method = json.loads(request_bytes)["method"]
        return [describe_answer(self.operations) if method == "describe" else self.answer]

    def calls(self):
        """(method, params, client) of every request so far."""
        return [(r["method"], r["params"], r["meta"]["client"])
                for r in map(json.loads, self.peer.requests)]


class ToolsTest(McpTestCase):
    def test_tools_list_builds_one_tool_per_operation_in_order(self):
        operations = [{"name": "commands.add", "title": "Add", "description": "Adds.",
                       "risk": "read", "destructive": False,
                       "inputSchema": {"properties": {"id": {"type": "string"}}}},
                      {"name": "commands.remove", "destructive": True, "description": None},
                      {"name": "app.info", "title": 5, "inputSchema": None, "risk": "run"},
                      {"name": "x.y.z", "risk": "write", "inputSchema": "text"},
                      "not an object"]
        app = ScriptedApp(self, operations)
        hints = lambda read, destructive, run: {  # noqa: E731
            "readOnlyHint": read, "idempotentHint": read, "destructiveHint": destructive,
            "openWorldHint": run}
        tools = [{"name": "commands_add", "title": "Add", "description": "Adds.",
                  "inputSchema": {"type": "object", "properties": {"id": {"type": "string"}}},
                  "annotations": {"title": "Add"} | hints(True, False, False)},
                 {"name": "commands_remove", "inputSchema": {"type": "object"},
                  "annotations": hints(False, True, True)},
                 {"name": "app_info", "title": 5, "inputSchema": {"type": "object"},
                  "annotations": {"title": 5} | hints(False, False, True)},
                 {"name": "x_y_z", "inputSchema": {"type": "object"},
                  "annotations": hints(False, False, False)},
                 {"name": "", "inputSchema": {"type": "object"},
                  "annotations": hints(False, False, True)}]
        self.assert_answers([request(1, "tools/list"), request(2, "tools/list", meta("2026-07-28"))],
                            [result(1, {"tools": tools}),
                             result(2, {"tools": tools, "resultType": "complete", "ttlMs": 60000,
                                        "cacheScope": "private"})])
        self.assertEqual(app.calls(), [("describe", {}, "mcp")] * 2)

    def test_tools_list_without_operations_is_empty(self):
        for answer in (b'{"result":{}}\n', b'{"result":{"operations":{}}}\n', b'{"result":[]}\n'):
            with self.subTest(answer=answer):
                self.answering(answer)
                self.assert_answers([request(1, "tools/list")], [result(1, {"tools": []})])

    def test_tools_list_failures_are_internal_errors_with_the_kind(self):
        self.assert_answers([request(1, "tools/list")],
                            [error(1, -32603, NOT_RUNNING.decode(), {"kind": "unavailable"})])
        self.answering(b'{"error":{"code":-1,"message":"busy","data":{"kind":"locked"}}}\n')
        self.assert_answers([request(1, "tools/list")],
                            [error(1, -32603, "busy", {"kind": "locked"})])

    def test_tools_call_forwards_to_the_first_matching_operation(self):
        app = ScriptedApp(self, [{"title": "no name"}, {"name": 5}, {"name": "a.b"},
                                 {"name": "a_b"}, {"name": "plain"}])
        self.serve(request(1, "tools/call", {"name": "a_b", "arguments": {"k": ["v", 1]}}),
                   request(2, "tools/call", {"name": "plain"}),
                   request(3, "tools/call", {"name": "plain", "arguments": 5}),
                   request(4, "tools/call", {"name": "plain", "arguments": None}))
        forwarded = [c for c in app.calls() if c[0] != "describe"]
        self.assertEqual(forwarded, [("a.b", {"k": ["v", 1]}, "mcp"), ("plain", {}, "mcp"),
                                     ("plain", 5, "mcp"), ("plain", None, "mcp")])
        self.assertEqual(len(app.calls()), 8)  # describe before every call

    def test_tools_call_results(self):
        text = lambda value: {"content": [{"text": value, "type": "text"}]}  # noqa: E731
        cases = [(b'{"result":{"b":[],"a":{"x":"\xc3\xa9"}}}\n',
                  text('{\n  "a": {\n    "x": "é"\n  },\n  "b": []\n}') |
                  {"isError": False, "structuredContent": {"a": {"x": "é"}, "b": []}}),
                 (b'{"result":[1,{}]}\n', text("[\n  1,\n  {}\n]") | {"isError": False}),
                 (b'{"result":"x"}\n', text('"x"') | {"isError": False}),
                 (b"{}\n", text("null") | {"isError": False}),
                 (b'{"error":{"code":-32003,"message":"waits","data":{"kind":"needs_approval"}}}\n',
                  text("waits (needs_approval)") | {"isError": True}),
                 (b'{"error":{}}\n', text("error (failed)") | {"isError": True}),
                 (b"garbage\n", text("Parlevox sent an unreadable answer (unavailable)") |
                  {"isError": True})]
        for answer, expected in cases:
            with self.subTest(answer=answer):
                ScriptedApp(self, [{"name": "op.do"}], answer)
                self.assert_answers([request(9, "tools/call", {"name": "op_do"})],
                                    [result(9, expected)])

    def test_tools_call_for_no_operation_is_unknown_tool(self):
        app = ScriptedApp(self, [{"name": "a.b"}])
        self.assert_answers(
            [request(1, "tools/call", {"name": "a.b"}), request(2, "tools/call", {"name": 5}),
             request(3, "tools/call"), request(4, "tools/call", [1])],
            [error(1, -32602, "Unknown tool: a.b"), error(2, -32602, "Unknown tool: "),
             error(3, -32602, "Unknown tool: "), error(4, -32602, "Unknown tool: ")])
        self.assertEqual(app.calls(), [("describe", {}, "mcp")] * 4)

    def test_tools_call_when_describe_fails_is_a_failed_tool_result(self):
        failed = {"content": [{"text": NOT_RUNNING.decode() + " (unavailable)", "type": "text"}],
                  "isError": True}
        self.assert_answers([request(1, "tools/call", {"name": "a"})], [result(1, failed)])
        # An application that stopped accepting connections fails the call after a bounded
        # wait, and the server goes on answering.
        self.frozen_app()
        self.assert_answers([request(1, "tools/call", {"name": "a"}), request(2, "ping")],
                            [result(1, failed), result(2, {})])

    def test_the_client_name_comes_from_initialize_and_from_meta_and_lasts(self):
        app = ScriptedApp(self, [])
        self.serve(request(1, "tools/list"),
                   request(2, "initialize", {"clientInfo": {"name": "claude-ai"}}),
                   request(3, "tools/list"),
                   request(4, "initialize", {"clientInfo": {"name": 5}}),
                   request(5, "tools/list", meta(client="cursor")),
                   request(6, "tools/list", meta("2025-06-18", client="zed")),  # refused, named
                   request(7, "tools/list"),
                   b'{"method":"tools/list","params":' + json.dumps(meta(client="x")).encode() + b"}",
                   request(8, "tools/list", {"_meta": {"io.modelcontextprotocol/clientInfo": {}}}))
        self.assertEqual([client for _, _, client in app.calls()],
                         ["mcp", "claude-ai", "cursor", "zed", "zed"])


class LaunchTest(McpTestCase):
    def test_only_responses_reach_stdout_while_the_application_is_started(self):
        bin_dir = os.path.join(self.dir, "bin")
        os.mkdir(bin_dir)
        self.stand_in_launcher(bin_dir)
        env = base_env(self.dir, PATH=bin_dir + ":" + os.environ["PATH"])
        lines, stderr, code = self.serve(request(1, "tools/call", {"name": "app_info"}), env=env)
        self.assertEqual((len(lines), code), (1, 0))
        self.assertEqual(json.loads(lines[0])["result"]["structuredContent"]["name"], "Parlevox")
        self.assertEqual(stderr, b"launcher on stdout\nlauncher on stderr\n")


if __name__ == "__main__":
    unittest.main()
