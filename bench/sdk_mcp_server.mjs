// The stdio MCP server a team would write with the MCP SDK instead of `parlevox mcp`: it answers
// ping and lists the application's operations as tools, asking `describe` over the socket for
// every tools/list. Used by bench/mcp_vs_sdk.py. Usage: node sdk_mcp_server.mjs (PARLEVOX_SOCKET set)
import { createRequire } from "node:module";
import net from "node:net";
import path from "node:path";
import { fileURLToPath } from "node:url";

// The SDK is installed once, for the test peer, by scripts/setup.sh.
const peer = path.join(path.dirname(fileURLToPath(import.meta.url)), "../cli/tests/mcp_client");
const require = createRequire(path.join(peer, "package.json"));
const { Server } = require("@modelcontextprotocol/sdk/server/index.js");
const { StdioServerTransport } = require("@modelcontextprotocol/sdk/server/stdio.js");
const { ListToolsRequestSchema } = require("@modelcontextprotocol/sdk/types.js");

// One request line to the application's socket, one answer line back.
function callApp(method, params) {
  return new Promise((resolve, reject) => {
    const socket = net.createConnection(process.env.PARLEVOX_SOCKET);
    let answer = "";
    socket.setEncoding("utf8");
    socket.on("connect", () =>
      socket.write(JSON.stringify({ id: 1, jsonrpc: "2.0", meta: { client: "mcp" }, method, params }) + "\n"));
    socket.on("data", (chunk) => {
      answer += chunk;
      const end = answer.indexOf("\n");
      if (end >= 0) {
        socket.destroy();
        const parsed = JSON.parse(answer.slice(0, end));
        parsed.error ? reject(new Error(parsed.error.message)) : resolve(parsed.result);
      }
    });
    socket.on("error", reject);
  });
}

function toolFromOperation(op) {
  const risk = typeof op.risk === "string" ? op.risk : "run";
  const schema = op.inputSchema && typeof op.inputSchema === "object" ? { ...op.inputSchema } : {};
  schema.type ??= "object";
  const tool = {
    name: String(op.name ?? "").replaceAll(".", "_"),
    inputSchema: schema,
    annotations: {
      readOnlyHint: risk === "read",
      destructiveHint: op.destructive === true,
      idempotentHint: risk === "read",
      openWorldHint: risk === "run",
    },
  };
  if (op.title != null) tool.title = tool.annotations.title = op.title;
  if (op.description != null) tool.description = op.description;
  return tool;
}

const server = new Server({ name: "parlevox", version: "1.0.0" }, { capabilities: { tools: {} } });
server.setRequestHandler(ListToolsRequestSchema, async () => {
  const described = await callApp("describe", {});
  return { tools: (described?.operations ?? []).map(toolFromOperation) };
});
await server.connect(new StdioServerTransport());
