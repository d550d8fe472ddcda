// The reference application's operations: the describe table and answering one request line.
#include "operations.h"

#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "history.h"
#include "op_error.h"
#include "params.h"
#include "settings.h"

namespace parlevox::reference_app {
namespace {

using nlohmann::json;

constexpr int kMaxDepth = 64;
constexpr const char* kVersion = "1.0.0-reference";

// What `describe` lists. `app.info` has no input schema and `commands.remove` has neither title nor
// risk, as older operations of the application do.
const json& operation_table() {
  static const json table = json::parse(R"([
    {"name": "app.info", "title": "App info", "risk": "read",
     "description": "Version, platform, the Command shortcut and how much is set up."},
    {"name": "commands.list", "title": "List voice commands", "risk": "read",
     "description": "Every voice command (automation) with its phrases, variables and steps.",
     "inputSchema": {"type": "object", "properties": {}}},
    {"name": "commands.add", "title": "Add a voice command", "risk": "write",
     "description": "Create a voice command: phrases the user says after the Command shortcut, spoken variables written {name} in the phrases, and steps. File, script, shortcut and http steps run only after the user allows them in Parlevox → Automation.",
     "inputSchema": {"type": "object", "required": ["phrases", "steps"], "properties": {
       "id": {"type": "string", "pattern": "^[a-z0-9_]+$"},
       "name": {"type": "string"},
       "phrases": {"type": "array", "minItems": 1, "items": {"type": "string"}},
       "variables": {"type": "array", "items": {"type": "object", "required": ["name"],
         "properties": {"name": {"type": "string"}, "description": {"type": "string"}}}},
       "steps": {"type": "array", "minItems": 1, "items": {"type": "object", "required": ["kind"],
         "properties": {
           "kind": {"enum": ["link", "text", "file", "script", "shortcut", "http"]},
           "url": {"type": "string"}, "text": {"type": "string"}, "path": {"type": "string"},
           "run": {"type": "string"}, "window": {"enum": ["hidden", "terminal"]},
           "shortcut": {"type": "string"}, "method": {"type": "string"}}}}}}},
    {"name": "commands.test", "title": "Test a phrase", "risk": "read",
     "description": "Which voice command a spoken phrase would run, with the variable values.",
     "inputSchema": {"type": "object", "required": ["phrase"],
       "properties": {"phrase": {"type": "string"}}}},
    {"name": "commands.run", "title": "Run a voice command", "risk": "run",
     "description": "Run a voice command's steps with values for its variables.",
     "inputSchema": {"type": "object", "required": ["id"], "properties": {
       "id": {"type": "string"},
       "values": {"type": "object", "additionalProperties": {"type": "string"}}}}},
    {"name": "commands.remove", "destructive": true,
     "description": "Remove a voice command.",
     "inputSchema": {"type": "object", "required": ["id"],
       "properties": {"id": {"type": "string"}}}},
    {"name": "settings.get", "title": "Read settings", "risk": "read",
     "description": "All settings, or one top-level setting by key.",
     "inputSchema": {"type": "object", "properties": {"key": {"type": "string"}}}},
    {"name": "settings.set", "title": "Change settings", "risk": "write",
     "description": "Change settings; changes is a partial settings object.",
     "inputSchema": {"type": "object", "required": ["changes"],
       "properties": {"changes": {"type": "object"}}}},
    {"name": "history.search", "title": "Search dictation history", "risk": "read",
     "description": "Dictations whose text contains the search words, newest first.",
     "inputSchema": {"type": "object", "properties": {
       "search": {"type": "string"}, "app": {"type": "string"},
       "limit": {"type": "integer", "minimum": 1, "maximum": 100}}}}
  ])");
  return table;
}

using Handler = std::function<json(const json& params, const std::string& socket_path)>;

json app_info(const json& params, const std::string& socket_path) {
  require_object(params);
  return {{"name", "Parlevox"},          {"version", kVersion},
          {"platform", "linux"},         {"shortcut", command_shortcut()},
          {"commands", command_count()}, {"historyEntries", history_size()},
          {"socket", socket_path}};
}

const std::map<std::string, Handler>& handlers() {
  auto plain = [](json (*f)(const json&)) {
    return [f](const json& params, const std::string&) { return f(params); };
  };
  static const std::map<std::string, Handler> table = {
      {"describe",
       [](const json&, const std::string&) {
         return json{{"operations", operation_table()}, {"version", kVersion}};
       }},
      {"app.info", app_info},
      {"commands.list", plain(commands_list)},
      {"commands.add", plain(commands_add)},
      {"commands.test", plain(commands_test)},
      {"commands.run", plain(commands_run)},
      {"commands.remove", plain(commands_remove)},
      {"settings.get", plain(settings_get)},
      {"settings.set", plain(settings_set)},
      {"history.search", plain(history_search)},
  };
  return table;
}

json error_answer(const json& id, const OpError& error) {
  return {{"id", id},
          {"jsonrpc", "2.0"},
          {"error",
           {{"code", error.code}, {"message", error.message}, {"data", {{"kind", error.kind}}}}}};
}

json answer(std::string_view line, const std::string& socket_path) {
  // The JSON library takes a NUL for the end of the text; a raw NUL is never valid JSON.
  if (line.find('\0') != line.npos)
    return error_answer(nullptr, {"invalid", "Parse error: the request holds a NUL byte", -32700});
  json request;
  try {
    request = json::parse(line.begin(), line.end(), [](int depth, json::parse_event_t, json&) {
      if (depth > kMaxDepth) throw invalid("the request is nested too deeply");
      return true;
    });
  } catch (const json::exception& error) {
    // Syntax faults, and numbers beyond a double's range (1e400), which the library reports as
    // out of range rather than as a parse error.
    return error_answer(nullptr, {"invalid", std::string("Parse error: ") + error.what(), -32700});
  } catch (const OpError& error) {
    return error_answer(nullptr, {"invalid", "Parse error: " + error.message, -32700});
  }
  if (!request.is_object())
    return error_answer(nullptr, {"invalid", "Invalid request: expected a JSON object", -32600});
  json id = request.value("id", json());
  auto method = request.find("method");
  if (method == request.end() || !method->is_string())
    return error_answer(id, {"invalid", "Invalid request: method must be a text", -32600});
  auto handler = handlers().find(method->get<std::string>());
  if (handler == handlers().end()) {
    return error_answer(id, {"not_found",
                             "Unknown operation: " + method->get<std::string>() +
                                 ". Run `parlevox describe` for the list.",
                             -32601});
  }
  json params = request.value("params", json::object());
  try {
    return {{"id", id}, {"jsonrpc", "2.0"}, {"result", handler->second(params, socket_path)}};
  } catch (const OpError& error) {
    return error_answer(id, error);
  } catch (const std::exception& error) {
    return error_answer(id, failed(std::string("internal error: ") + error.what()));
  }
}

std::string dump(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string answer_request(std::string_view line, const std::string& socket_path) {
  return dump(answer(line, socket_path));
}

void reset_state() {
  reset_commands();
  reset_settings();
}

std::string answer_oversized_request(std::size_t limit_bytes) {
  return dump(error_answer(
      nullptr, invalid("the request is longer than " + std::to_string(limit_bytes) + " bytes")));
}

}  // namespace parlevox::reference_app
