// The MCP methods that reach the application: tools/list and tools/call.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "cli/mcp_server_state.h"

namespace parlevox::cli {

/// Answers tools/list: asks the application for `describe` and gives {"tools": […]}, or error
/// -32603 with the failure's message and {"kind": …} as data. The response has id `id`.
nlohmann::json list_tools(McpServerState& state, const nlohmann::json& id);

/// Answers tools/call: asks `describe`, finds the operation whose tool name is params.name
/// (error -32602 "Unknown tool: …" when none) and calls it with params.arguments ({} when
/// missing). The outcome is a tool result: the pretty-printed value as text content, plus
/// `structuredContent` for an object; an application failure is a tool result with `isError`
/// true and the text "message (kind)".
nlohmann::json call_tool(McpServerState& state, const nlohmann::json& id,
                         const nlohmann::json& params);

}  // namespace parlevox::cli
