// Answering one MCP message: notifications, the per-request version check and the method table.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "cli/mcp_server_state.h"

namespace parlevox::cli {

/// The response to one JSON-RPC message object, or null when it gets none (a message without
/// `id` is a notification). A `_meta` in `params` may name the client (kept in `state` for later
/// messages) and a protocol version: "2026-07-28" switches on per-request version mode, which adds
/// "resultType": "complete" to results; any other version is error -32022, except for
/// server/discover.
nlohmann::json handle_mcp_message(McpServerState& state, const nlohmann::json& message);

}  // namespace parlevox::cli
