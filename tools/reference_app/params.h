// Reading and checking the fields of an operation's input.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

namespace parlevox::reference_app {

/// `params` itself when it is an object; otherwise throws "invalid".
const nlohmann::json& require_object(const nlohmann::json& params);

/// The string field `key`, absent as nullopt; throws "invalid" when it is not a string.
std::optional<std::string> optional_string(const nlohmann::json& params, const char* key);

/// The string field `key`; throws "invalid" when it is missing, empty or not a string.
std::string required_string(const nlohmann::json& params, const char* key);

}  // namespace parlevox::reference_app
