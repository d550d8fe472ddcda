"""`parlevox mcp` driven by the official MCP TypeScript SDK client (cli/tests/mcp_client, installed
by scripts/setup.sh) over stdio against the reference application: connect, list the tools, call
tools that answer an object, an array and an application failure, an unknown tool, and ping."""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

from support import PARLEVOX, VERSION, ReferenceApp, base_env

PEER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mcp_client")


class SdkClientTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        node = shutil.which("node")
        if node is None or not os.path.isdir(os.path.join(PEER, "node_modules")):
            raise RuntimeError("the MCP SDK test peer is not installed: run scripts/setup.sh")
        cls.dir = tempfile.mkdtemp(prefix="pvx-sdk-")
        socket = os.path.join(cls.dir, "api.sock")
        cls.app = ReferenceApp(socket)
        try:
            done = subprocess.run([node, os.path.join(PEER, "interop.mjs"), PARLEVOX],
                                  capture_output=True, timeout=60,
                                  env=base_env(cls.dir, PARLEVOX_SOCKET=socket))
        finally:
            cls.app.close()
            shutil.rmtree(cls.dir, ignore_errors=True)
        if done.returncode != 0:
            raise RuntimeError("the SDK client failed:\n" + done.stderr.decode(errors="replace"))
        cls.transcript = json.loads(done.stdout)

    def test_handshake(self):
        t = self.transcript
        self.assertEqual((t["serverInfo"]["name"], t["serverInfo"]["version"]), ("parlevox", VERSION))
        self.assertEqual(t["capabilities"], {"tools": {}})
        self.assertTrue(t["instructions"].startswith("Parlevox is the user's voice dictation app."))
        self.assertEqual(t["stderr"], "")

    def test_every_operation_is_a_tool_including_ones_without_title_or_schema(self):
        tools = {tool["name"]: tool for tool in self.transcript["tools"]["result"]["tools"]}
        self.assertEqual(list(tools), ["app_info", "commands_list", "commands_add", "commands_test",
                                       "commands_run", "commands_remove", "settings_get",
                                       "settings_set", "history_search"])
        self.assertEqual(tools["app_info"]["inputSchema"], {"type": "object"})
        self.assertNotIn("title", tools["commands_remove"])
        self.assertEqual(tools["commands_remove"]["annotations"],
                         {"readOnlyHint": False, "destructiveHint": True, "idempotentHint": False,
                          "openWorldHint": True})
        self.assertEqual(tools["commands_test"]["inputSchema"]["required"], ["phrase"])

    def test_tool_results_as_the_client_sees_them(self):
        obj = self.transcript["objectResult"]["result"]
        self.assertEqual((obj["isError"], obj["structuredContent"]["name"]), (False, "Parlevox"))
        self.assertEqual(json.loads(obj["content"][0]["text"]), obj["structuredContent"])
        array = self.transcript["arrayResult"]["result"]
        self.assertNotIn("structuredContent", array)
        self.assertIn("run_dev_server", [c["id"] for c in json.loads(array["content"][0]["text"])])
        self.assertEqual(self.transcript["failedInApp"]["result"], {
            "content": [{"type": "text", "text": "no voice command with the id nope (not_found)"}],
            "isError": True})

    def test_protocol_errors_and_ping(self):
        self.assertEqual(self.transcript["unknownTool"]["error"]["code"], -32602)
        self.assertIn("Unknown tool: no_such_tool", self.transcript["unknownTool"]["error"]["message"])
        self.assertEqual(self.transcript["ping"], {"result": {}})


if __name__ == "__main__":
    unittest.main()
