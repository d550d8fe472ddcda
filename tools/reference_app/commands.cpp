// Voice commands (automations): the in-memory list and the operations on it.
#include "commands.h"

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "op_error.h"
#include "params.h"
#include "phrase_match.h"

namespace parlevox::reference_app {
namespace {

using nlohmann::json;

// Step kinds and the field each one needs; the last four run only after the user allows them.
const std::map<std::string, std::string> kStepFields = {{"link", "url"},          {"text", "text"},
                                                        {"file", "path"},         {"script", "run"},
                                                        {"shortcut", "shortcut"}, {"http", "url"}};
const std::set<std::string> kStepsNeedingApproval = {"file", "script", "shortcut", "http"};
constexpr std::size_t kMaxPhraseBytes = 500;

json seeded_commands() {
  return json::parse(R"([
    {"id": "open_calendar", "name": "Open calendar", "phrases": ["open my calendar"],
     "variables": [], "steps": [{"kind": "link", "url": "https://calendar.example.com/today"}],
     "needsApproval": false, "approved": false},
    {"id": "run_dev_server", "name": "Run dev server",
     "phrases": ["start the {project} dev server", "запусти сервер {project}"],
     "variables": [{"name": "project", "description": "a folder under ~/code"}],
     "steps": [{"kind": "script", "run": "cd ~/code/{project} && npm run dev",
                "window": "terminal"}],
     "needsApproval": true, "approved": false},
    {"id": "sign_off", "name": "Sign off", "phrases": ["sign off as {name}"],
     "variables": [{"name": "name"}], "steps": [{"kind": "text", "text": "Best regards,\n{name}"}],
     "needsApproval": false, "approved": false},
    {"id": "focus_mode", "name": "Focus mode", "phrases": ["focus mode on"], "variables": [],
     "steps": [{"kind": "shortcut", "shortcut": "Focus"}], "needsApproval": true, "approved": true},
    {"id": "share_notes", "name": "Share notes", "phrases": ["share my notes"], "variables": [],
     "steps": [{"kind": "http", "method": "POST", "url": "https://hooks.example.invalid/notes"}],
     "needsApproval": true, "approved": true}
  ])");
}

json& store() {
  static json commands = seeded_commands();
  return commands;
}

constexpr std::size_t kMaxCommands = 1000;
// The longest text a step gets once its variables are filled in.
constexpr std::size_t kMaxFilledBytes = 1024 * 1024;

json* find_command(const std::string& id) {
  for (auto& command : store())
    if (command["id"] == id) return &command;
  return nullptr;
}

std::string slug(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) && c < 0x80) {
      out += static_cast<char>(std::tolower(c));
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  while (!out.empty() && out.back() == '_') out.pop_back();
  return out.empty() ? "command_" + std::to_string(store().size() + 1) : out;
}

json string_list(const json& params, const char* key) {
  auto field = params.find(key);
  if (field == params.end() || !field->is_array() || field->empty())
    throw invalid(std::string(key) + " must be a non-empty array of texts");
  for (const auto& item : *field)
    if (!item.is_string() || item.get<std::string>().empty())
      throw invalid(std::string(key) + " must be a non-empty array of texts");
  return *field;
}

json checked_steps(const json& params) {
  auto steps = params.find("steps");
  if (steps == params.end() || !steps->is_array() || steps->empty())
    throw invalid("steps must be a non-empty array of step objects");
  for (std::size_t i = 0; i < steps->size(); ++i) {
    const json& step = (*steps)[i];
    std::string where = "step " + std::to_string(i + 1);
    if (!step.is_object() || !step.contains("kind") || !step["kind"].is_string())
      throw invalid(where + " needs a kind");
    auto field = kStepFields.find(step["kind"].get<std::string>());
    if (field == kStepFields.end())
      throw invalid(where + ": unknown kind " + step["kind"].dump() +
                    " (link, text, file, script, shortcut or http)");
    if (!step.contains(field->second) || !step[field->second].is_string())
      throw invalid(where + " (" + field->first + ") needs the text field " + field->second);
  }
  return *steps;
}

std::set<std::string> placeholders(const std::string& text) {
  std::set<std::string> names;
  for (std::size_t open = text.find('{'); open != std::string::npos;
       open = text.find('{', open + 1)) {
    auto close = text.find('}', open);
    if (close == std::string::npos) break;
    names.insert(text.substr(open + 1, close - open - 1));
  }
  return names;
}

// Replaces every {name} that has a value, in one pass: the values are not searched again, and
// braces without a value stay as they are.
std::string fill(const std::string& text, const json& values) {
  std::string out;
  std::size_t at = 0;
  for (;;) {
    std::size_t open = text.find('{', at);
    std::size_t close = open == std::string::npos ? open : text.find_first_of("{}", open + 1);
    if (close == std::string::npos) {
      out.append(text, at);
      break;
    }
    auto value =
        text[close] == '}' ? values.find(text.substr(open + 1, close - open - 1)) : values.end();
    if (value == values.end()) {
      out.append(text, at, close - at);  // up to the next brace, which is looked at again
      at = close;
    } else {
      out.append(text, at, open - at);
      out += value->get_ref<const std::string&>();
      at = close + 1;
    }
    if (out.size() > kMaxFilledBytes)
      throw invalid("the filled-in step is longer than " + std::to_string(kMaxFilledBytes) +
                    " bytes");
  }
  return out;
}

// Simulates one step; the reference application never touches the computer.
json run_step(const json& step, std::size_t number, const json& values) {
  const std::string kind = step["kind"];
  const std::string target = fill(step[kStepFields.at(kind)].get<std::string>(), values);
  if (kind == "shortcut")
    throw unavailable("Shortcuts are not available on this computer, so \"" + target +
                      "\" cannot run");
  if (kind == "http") {
    auto host_end = target.find('/', target.find("//") + 2);
    std::string host = target.substr(0, host_end);
    if (host.ends_with(".invalid"))
      throw failed("step " + std::to_string(number) + " (http) failed: cannot reach " + target);
    return {{"kind", kind}, {"status", "done"}, {"detail", "sent " + target}};
  }
  static const std::map<std::string, std::string> verbs = {
      {"link", "opened "}, {"text", "typed "}, {"file", "opened "}, {"script", "started "}};
  return {{"kind", kind}, {"status", "done"}, {"detail", verbs.at(kind) + target}};
}

}  // namespace

std::size_t command_count() {
  return store().size();
}

void reset_commands() {
  store() = seeded_commands();
}

json commands_list(const json& params) {
  require_object(params);
  return store();
}

json commands_add(const json& params) {
  require_object(params);
  json phrases = string_list(params, "phrases");
  json steps = checked_steps(params);
  json variables = json::array();
  std::set<std::string> declared;
  if (auto field = params.find("variables"); field != params.end() && !field->is_null()) {
    if (!field->is_array()) throw invalid("variables must be an array");
    for (const auto& variable : *field) {
      if (!variable.is_object() || !variable.contains("name") || !variable["name"].is_string())
        throw invalid("every variable needs a name");
      declared.insert(variable["name"].get<std::string>());
      variables.push_back(variable);
    }
  }
  for (const auto& phrase : phrases) {
    if (phrase.get<std::string>().size() > kMaxPhraseBytes)
      throw invalid("phrases are at most " + std::to_string(kMaxPhraseBytes) + " bytes long");
  }
  for (const auto& phrase : phrases)
    for (const auto& name : placeholders(phrase.get<std::string>()))
      if (!declared.count(name))
        throw invalid("the phrase \"" + phrase.get<std::string>() + "\" uses {" + name +
                      "}, which is not a declared variable");

  auto name = optional_string(params, "name").value_or(phrases[0].get<std::string>());
  auto id = optional_string(params, "id").value_or(slug(name));
  if (find_command(id)) throw invalid("a voice command with the id " + id + " already exists");
  if (store().size() >= kMaxCommands)
    throw invalid("there are already " + std::to_string(kMaxCommands) + " voice commands");
  bool risky = false;
  for (const auto& step : steps) risky = risky || kStepsNeedingApproval.count(step["kind"]);
  json command = {{"id", id},         {"name", name},           {"phrases", phrases},
                  {"steps", steps},   {"variables", variables}, {"needsApproval", risky},
                  {"approved", false}};
  store().push_back(command);
  return command;
}

json commands_test(const json& params) {
  const std::string phrase = required_string(params, "phrase");
  if (phrase.size() > kMaxPhraseBytes)
    throw invalid("phrase is longer than " + std::to_string(kMaxPhraseBytes) + " bytes");
  for (const auto& command : store()) {
    for (const auto& pattern : command["phrases"]) {
      if (auto values = match_phrase(pattern.get<std::string>(), phrase)) {
        return {{"matched", true},
                {"command", command["id"]},
                {"name", command["name"]},
                {"phrase", pattern},
                {"values", *values}};
      }
    }
  }
  return {{"matched", false}, {"phrase", phrase}};
}

json commands_run(const json& params) {
  const std::string id = required_string(params, "id");
  json values = json::object();
  if (auto field = params.find("values"); field != params.end() && !field->is_null()) {
    if (!field->is_object()) throw invalid("values must be an object of texts");
    for (const auto& [name, value] : field->items())
      if (!value.is_string()) throw invalid("the value of " + name + " must be a text");
    values = *field;
  }
  const json* command = find_command(id);
  if (!command) throw not_found("no voice command with the id " + id);
  for (const auto& variable : (*command)["variables"]) {
    const std::string name = variable["name"];
    if (!values.contains(name)) throw invalid("missing value for " + name);
  }
  if ((*command)["needsApproval"] == true && (*command)["approved"] != true)
    throw needs_approval((*command)["name"].get<std::string>() +
                         " waits for your approval in Parlevox → Automation");
  json results = json::array();
  for (const auto& step : (*command)["steps"])
    results.push_back(run_step(step, results.size() + 1, values));
  return {{"command", id}, {"ran", true}, {"steps", results}};
}

json commands_remove(const json& params) {
  const std::string id = required_string(params, "id");
  auto& commands = store();
  for (auto it = commands.begin(); it != commands.end(); ++it) {
    if ((*it)["id"] == id) {
      commands.erase(it);
      return {{"removed", id}};
    }
  }
  throw not_found("no voice command with the id " + id);
}

}  // namespace parlevox::reference_app
