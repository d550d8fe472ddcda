// What the MCP server keeps from one message to the next.
#pragma once

#include <string>

namespace parlevox::cli {

/// The server's state. Only the client name is carried between messages.
struct McpServerState {
  /// Sent as the client name with every application call; "mcp" until a client names itself in
  /// `initialize` (clientInfo.name) or in a request's `_meta`.
  std::string client_name = "mcp";
};

}  // namespace parlevox::cli
