// What the MCP server keeps from one message to the next, and how it reaches the application.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

#include "cli/call_app.h"

namespace parlevox::cli {

/// Performs one application operation: method, params, client name. call_app in the program;
/// tests put a stand-in here.
using AppCaller = CallResult (*)(std::string_view method, const nlohmann::json& params,
                                 std::string_view client_name);

/// The server's state. Only the client name is carried between messages.
struct McpServerState {
  /// Sent as the client name with every application call; "mcp" until a client names itself in
  /// `initialize` (clientInfo.name) or in a request's `_meta`.
  std::string client_name = "mcp";
  AppCaller call = call_app;
};

}  // namespace parlevox::cli
