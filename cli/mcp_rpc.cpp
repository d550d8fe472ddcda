// JSON-RPC responses of the MCP server and its error codes.
#include "cli/mcp_rpc.h"

#include <nlohmann/json.hpp>

#include "cli/json_text.h"

namespace parlevox::cli {

// Built member by member: an initializer list would copy every value once more.
nlohmann::json rpc_result(const nlohmann::json& id, nlohmann::json result) {
  nlohmann::json response(nlohmann::json::value_t::object);
  response["id"] = id;
  response["jsonrpc"] = "2.0";
  response["result"] = std::move(result);
  return response;
}

nlohmann::json rpc_error(const nlohmann::json& id, int code, std::string_view message) {
  nlohmann::json error(nlohmann::json::value_t::object);
  error["code"] = code;
  error["message"] = message;
  nlohmann::json response(nlohmann::json::value_t::object);
  response["error"] = std::move(error);
  response["id"] = id;
  response["jsonrpc"] = "2.0";
  return response;
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

// The keys in sorted order: error, id, jsonrpc, result.
std::string rpc_line(const nlohmann::json& response, std::string_view id_text) {
  std::string line = "{";
  if (auto error = response.find("error"); error != response.end())
    line += "\"error\":" + compact_json(*error) + ",";
  line += "\"id\":";
  line += id_text;
  line += ",\"jsonrpc\":\"2.0\"";
  if (auto result = response.find("result"); result != response.end())
    line += ",\"result\":" + compact_json(*result);
  line += "}\n";
  return line;
}

}  // namespace parlevox::cli
