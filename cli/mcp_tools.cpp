// Turning the application's operations (from `describe`) into MCP tool descriptors.
#include "cli/mcp_tools.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace parlevox::cli {
namespace {

using nlohmann::json;

// The member `key` of `value` when `value` is an object holding it; null otherwise.
const json* member(const json& value, const char* key) {
  if (!value.is_object()) return nullptr;
  auto found = value.find(key);
  return found == value.end() ? nullptr : &*found;
}

// Copies `key` from the operation unless it is missing or null: clients read the descriptor's
// title and description as optional strings and reject a null there.
void copy_present(const json& operation, const char* key, json& into) {
  if (const json* value = member(operation, key); value && !value->is_null()) into[key] = *value;
}

json input_schema(const json& operation) {
  const json* schema = member(operation, "inputSchema");
  if (schema == nullptr || !schema->is_object()) return {{"type", "object"}};
  json copy = *schema;
  if (!copy.contains("type")) copy["type"] = "object";
  return copy;
}

json annotations(const json& operation) {
  const json* risk_value = member(operation, "risk");
  std::string risk = risk_value && risk_value->is_string() ? risk_value->get<std::string>() : "run";
  const json* destructive = member(operation, "destructive");
  json result = {
      {"readOnlyHint", risk == "read"},
      {"destructiveHint", destructive && destructive->is_boolean() && destructive->get<bool>()},
      {"idempotentHint", risk == "read"},
      {"openWorldHint", risk == "run"}};
  copy_present(operation, "title", result);
  return result;
}

json tool_from_operation(const json& operation) {
  const json* name = member(operation, "name");
  json tool = {{"name", name && name->is_string() ? tool_name(name->get<std::string>()) : ""},
               {"inputSchema", input_schema(operation)},
               {"annotations", annotations(operation)}};
  copy_present(operation, "title", tool);
  copy_present(operation, "description", tool);
  return tool;
}

}  // namespace

std::string tool_name(std::string_view operation_name) {
  std::string name(operation_name);
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
}

json operations_of(const json& describe_result) {
  const json* operations = member(describe_result, "operations");
  return operations && operations->is_array() ? *operations : json::array();
}

json tools_from_operations(const json& operations) {
  json tools = json::array();
  for (const json& operation : operations) tools.push_back(tool_from_operation(operation));
  return tools;
}

const json* find_operation(const json& operations, std::string_view tool) {
  for (const json& operation : operations) {
    const json* name = member(operation, "name");
    if (name && name->is_string() && tool_name(name->get<std::string>()) == tool) return &operation;
  }
  return nullptr;
}

}  // namespace parlevox::cli
