// Reading and checking the fields of an operation's input.
#include "params.h"

#include <nlohmann/json.hpp>

#include "op_error.h"

namespace parlevox::reference_app {

const nlohmann::json& require_object(const nlohmann::json& params) {
  if (!params.is_object()) throw invalid("the input must be a JSON object");
  return params;
}

std::optional<std::string> optional_string(const nlohmann::json& params, const char* key) {
  auto field = require_object(params).find(key);
  if (field == params.end() || field->is_null()) return std::nullopt;
  if (!field->is_string()) throw invalid(std::string(key) + " must be a string");
  return field->get<std::string>();
}

std::string required_string(const nlohmann::json& params, const char* key) {
  auto value = optional_string(params, key);
  if (!value || value->empty()) throw invalid(std::string(key) + " is required");
  return *value;
}

}  // namespace parlevox::reference_app
