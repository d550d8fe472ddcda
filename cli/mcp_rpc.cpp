// JSON-RPC responses of the MCP server and its error codes.
#include "cli/mcp_rpc.h"

#include <nlohmann/json.hpp>

namespace parlevox::cli {

nlohmann::json rpc_result(const nlohmann::json& id, nlohmann::json result) {
  return {{"id", id}, {"jsonrpc", "2.0"}, {"result", std::move(result)}};
}

nlohmann::json rpc_error(const nlohmann::json& id, int code, std::string_view message) {
  return {{"error", {{"code", code}, {"message", message}}}, {"id", id}, {"jsonrpc", "2.0"}};
}

nlohmann::json rpc_error(const nlohmann::json& id, int code, std::string_view message,
                         nlohmann::json data) {
  auto response = rpc_error(id, code, message);
  response["error"]["data"] = std::move(data);
  return response;
}

bool is_rpc_result(const nlohmann::json& response) {
  return response.contains("result");
}

}  // namespace parlevox::cli
