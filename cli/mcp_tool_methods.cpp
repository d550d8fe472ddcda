// The MCP methods that reach the application: tools/list and tools/call.
#include "cli/mcp_tool_methods.h"

#include <nlohmann/json.hpp>

#include "cli/call_app.h"
#include "cli/json_text.h"
#include "cli/mcp_rpc.h"
#include "cli/mcp_tools.h"

namespace parlevox::cli {
namespace {

using nlohmann::json;

json text_content(std::string text) {
  return json::array({{{"text", std::move(text)}, {"type", "text"}}});
}

json failed_tool_result(const AppError& error) {
  return {{"content", text_content(error.message + " (" + error.kind + ")")}, {"isError", true}};
}

json tool_result(json value) {
  json result = {{"content", text_content(pretty_json(value))}, {"isError", false}};
  if (value.is_object()) result["structuredContent"] = std::move(value);
  return result;
}

CallResult describe(McpServerState& state) {
  return call_app("describe", json::object(), state.client_name);
}

}  // namespace

json list_tools(McpServerState& state, const json& id) {
  auto described = describe(state);
  if (auto* error = std::get_if<AppError>(&described))
    return rpc_error(id, kInternalError, error->message, {{"kind", error->kind}});
  json operations = operations_of(std::get<json>(described));
  return rpc_result(id, {{"tools", tools_from_operations(operations)}});
}

json call_tool(McpServerState& state, const json& id, const json& params) {
  static const json kNoArguments = json::object();
  std::string tool;
  const json* arguments = &kNoArguments;  // not copied: it may be a large document
  if (params.is_object()) {
    if (auto name = params.find("name"); name != params.end() && name->is_string())
      tool = name->get<std::string>();
    if (auto given = params.find("arguments"); given != params.end()) arguments = &*given;
  }

  auto described = describe(state);
  if (auto* error = std::get_if<AppError>(&described))
    return rpc_result(id, failed_tool_result(*error));
  json operations = operations_of(std::get<json>(described));
  const json* operation = find_operation(operations, tool);
  if (operation == nullptr) return rpc_error(id, kInvalidParams, "Unknown tool: " + tool);

  auto outcome = call_app(operation->at("name").get<std::string>(), *arguments, state.client_name);
  if (auto* error = std::get_if<AppError>(&outcome))
    return rpc_result(id, failed_tool_result(*error));
  return rpc_result(id, tool_result(std::get<json>(std::move(outcome))));
}

}  // namespace parlevox::cli
