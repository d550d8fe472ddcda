// The application's settings: reading them and changing them.
#include "settings.h"

#include <nlohmann/json.hpp>

#include "op_error.h"
#include "params.h"

namespace parlevox::reference_app {
namespace {

using nlohmann::json;

json initial_settings() {
  return {
      {"language", "auto"},
      {"shortcut", "⌥ Space"},
      {"pasteMethod", "paste"},
      {"sounds", true},
      {"fieldMic", {{"enabled", true}, {"device", "default"}}},
      {"history", {{"enabled", true}, {"keepDays", 30}}},
  };
}

json& store() {
  static json settings = initial_settings();
  return settings;
}

bool same_type(const json& a, const json& b) {
  if (a.is_number() && b.is_number()) return true;
  return a.type() == b.type();
}

// Checks `changes` against `current` without changing anything.
void check_changes(const json& current, const json& changes, const std::string& prefix) {
  for (const auto& [name, value] : changes.items()) {
    const std::string path = prefix + name;
    auto existing = current.find(name);
    if (existing == current.end()) throw invalid("unknown setting " + path);
    if (existing->is_object()) {
      if (!value.is_object()) throw invalid("setting " + path + " must be an object");
      check_changes(*existing, value, path + ".");
    } else if (!same_type(*existing, value)) {
      throw invalid("setting " + path + " must be a " + existing->type_name());
    }
  }
}

}  // namespace

void reset_settings() {
  store() = initial_settings();
}

std::string command_shortcut() {
  return store()["shortcut"];
}

json settings_get(const json& params) {
  auto key = optional_string(params, "key");
  if (!key) return store();
  auto value = store().find(*key);
  if (value == store().end()) throw not_found("no setting named " + *key);
  return {{"key", *key}, {"value", *value}};
}

json settings_set(const json& params) {
  auto changes = require_object(params).find("changes");
  if (changes == params.end() || !changes->is_object())
    throw invalid("changes must be an object of settings to change");
  check_changes(store(), *changes, "");
  store().merge_patch(*changes);
  return store();
}

}  // namespace parlevox::reference_app
