// Turning the application's operations (from `describe`) into MCP tool descriptors.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace parlevox::cli {

/// The tool name of an operation: every "." becomes "_" ("commands.add" is "commands_add").
std::string tool_name(std::string_view operation_name);

/// The `operations` array of a `describe` result; an empty array when the result has none.
nlohmann::json operations_of(const nlohmann::json& describe_result);

/// One tool descriptor per operation, in the same order, none left out. The name is the
/// operation's tool name ("" without a text `name`); `title` and `description` are copied, and
/// left out when missing or null; `inputSchema` is the operation's object with "type": "object"
/// added when it has no `type`, or {"type": "object"} when it is not an object; `annotations`
/// come from `risk` ("read" is read-only and idempotent, "run" — also a missing or non-text risk —
/// is open-world) and `destructive` (true only for the boolean true).
nlohmann::json tools_from_operations(const nlohmann::json& operations);

/// The first operation with a text `name` whose tool name is `tool`; null when there is none.
const nlohmann::json* find_operation(const nlohmann::json& operations, std::string_view tool);

}  // namespace parlevox::cli
