// JSON-RPC responses of the MCP server and its error codes.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace parlevox::cli {

inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kUnsupportedProtocolVersion = -32022;

/// {"id": id, "jsonrpc": "2.0", "result": result}.
nlohmann::json rpc_result(const nlohmann::json& id, nlohmann::json result);

/// {"error": {"code": code, "message": message}, "id": id, "jsonrpc": "2.0"}.
nlohmann::json rpc_error(const nlohmann::json& id, int code, std::string_view message);

/// As above with "data": data inside the error object.
nlohmann::json rpc_error(const nlohmann::json& id, int code, std::string_view message,
                         nlohmann::json data);

/// True when `response` (made by the functions above) carries a result rather than an error.
bool is_rpc_result(const nlohmann::json& response);

/// `response` (made by the functions above) as one compact line with sorted keys and a newline,
/// its id written as `id_text` (JSON text) rather than from the value it holds.
std::string rpc_line(const nlohmann::json& response, std::string_view id_text);

}  // namespace parlevox::cli
