// Answering one MCP message: notifications, the per-request version check and the method table.
#include "cli/mcp_messages.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/mcp_rpc.h"
#include "cli/mcp_server_info.h"
#include "cli/mcp_tool_methods.h"

namespace parlevox::cli {
namespace {

using nlohmann::json;

constexpr const char* kMetaVersionKey = "io.modelcontextprotocol/protocolVersion";
constexpr const char* kMetaClientInfoKey = "io.modelcontextprotocol/clientInfo";

// The text at `key` in `value`, when `value` is an object and that member is a string.
std::optional<std::string> text_member(const json& value, const char* key) {
  if (!value.is_object()) return std::nullopt;
  auto found = value.find(key);
  if (found == value.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

const json* object_member(const json& value, const char* key) {
  if (!value.is_object()) return nullptr;
  auto found = value.find(key);
  return found != value.end() && found->is_object() ? &*found : nullptr;
}

json initialize(McpServerState& state, const json& params) {
  if (const json* client_info = object_member(params, "clientInfo")) {
    if (auto name = text_member(*client_info, "name")) state.client_name = *name;
  }
  std::string_view version = kNegotiableVersions.front();
  if (auto requested = text_member(params, "protocolVersion")) {
    auto known = std::find(kNegotiableVersions.begin(), kNegotiableVersions.end(), *requested);
    if (known != kNegotiableVersions.end()) version = *known;
  }
  return {{"capabilities", server_capabilities()},
          {"instructions", server_instructions()},
          {"protocolVersion", version},
          {"serverInfo", server_info()}};
}

json discovery() {
  return {{"_meta", {{"io.modelcontextprotocol/serverInfo", server_info()}}},
          {"cacheScope", "public"},
          {"capabilities", server_capabilities()},
          {"instructions", server_instructions()},
          {"resultType", "complete"},
          {"supportedVersions", supported_versions()},
          {"ttlMs", 3600000}};
}

// The response to a request (a message with an id) for `method`, before per-request additions.
json dispatch(McpServerState& state, const json& id, const std::string& method,
              const json& params) {
  if (method == "initialize") return rpc_result(id, initialize(state, params));
  if (method == "ping") return rpc_result(id, json::object());
  if (method == "tools/list") return list_tools(state, id);
  if (method == "tools/call") return call_tool(state, id, params);
  if (method == "prompts/list") return rpc_result(id, {{"prompts", json::array()}});
  if (method == "resources/list") return rpc_result(id, {{"resources", json::array()}});
  if (method == "server/discover") return rpc_result(id, discovery());
  return rpc_error(id, kMethodNotFound, "Method not found: " + method);
}

bool reports_result_type(const std::string& method) {
  return method == "ping" || method == "tools/list" || method == "tools/call" ||
         method == "prompts/list" || method == "resources/list";
}

}  // namespace

json handle_mcp_message(McpServerState& state, const json& message) {
  auto id_member = message.find("id");
  if (id_member == message.end()) return nullptr;  // a notification: never answered
  const json& id = *id_member;
  std::string method = text_member(message, "method").value_or("");
  static const json kNoParams = json::object();
  auto params_member = message.find("params");
  const json& params = params_member == message.end() ? kNoParams : *params_member;

  std::optional<std::string> version;
  if (const json* meta = object_member(params, "_meta")) {
    version = text_member(*meta, kMetaVersionKey);
    // The client's name is taken even when its version is then refused.
    if (const json* client_info = object_member(*meta, kMetaClientInfoKey)) {
      if (auto name = text_member(*client_info, "name")) state.client_name = *name;
    }
    if (version && *version != kPerRequestVersion) {
      if (method == "server/discover") return rpc_result(id, discovery());
      return rpc_error(id, kUnsupportedProtocolVersion, "Unsupported protocol version",
                       {{"requested", *version}, {"supported", supported_versions()}});
    }
  }

  json response = dispatch(state, id, method, params);
  if (version && is_rpc_result(response) && reports_result_type(method)) {
    json& result = response["result"];
    result["resultType"] = "complete";
    if (method == "tools/list") {
      result["ttlMs"] = 60000;
      result["cacheScope"] = "private";
    }
  }
  return response;
}

}  // namespace parlevox::cli
