// Drives `parlevox mcp` with the MCP SDK's own client over stdio and prints what the client got,
// as one JSON object on stdout. Usage: node interop.mjs PARLEVOX_BIN (PARLEVOX_SOCKET set).
import { Client } from "@modelcontextprotocol/sdk/client/index.js";
import { StdioClientTransport } from "@modelcontextprotocol/sdk/client/stdio.js";

const [parlevox] = process.argv.slice(2);
const passed = ["PARLEVOX_SOCKET", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"];
const env = Object.fromEntries(passed.filter((k) => k in process.env).map((k) => [k, process.env[k]]));

const transport = new StdioClientTransport({ command: parlevox, args: ["mcp"], env, stderr: "pipe" });
let stderr = "";
transport.stderr.on("data", (chunk) => (stderr += chunk));

// A failed request is part of the transcript: its MCP error code and message.
async function outcome(request) {
  try {
    return { result: await request };
  } catch (error) {
    return { error: { code: error.code ?? null, message: error.message } };
  }
}

const client = new Client({ name: "sdk-interop", version: "1.0.0" });
await client.connect(transport);
const transcript = {
  serverInfo: client.getServerVersion(),
  capabilities: client.getServerCapabilities(),
  instructions: client.getInstructions(),
  tools: await outcome(client.listTools()),
  objectResult: await outcome(client.callTool({ name: "app_info", arguments: {} })),
  arrayResult: await outcome(client.callTool({ name: "commands_list" })),
  failedInApp: await outcome(client.callTool({ name: "commands_run", arguments: { id: "nope" } })),
  unknownTool: await outcome(client.callTool({ name: "no_such_tool", arguments: {} })),
  ping: await outcome(client.ping()),
};
await client.close();
transcript.stderr = stderr;
process.stdout.write(JSON.stringify(transcript) + "\n");
