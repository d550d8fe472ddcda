// Building an operation's JSON input from the arguments after its name.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <span>
#include <string>
#include <variant>

#include "cli/usage_error.h"

namespace parlevox::cli {

/// The input for the remaining arguments: {} when there are none; `-` reads stdin;
/// `--input-file PATH` or `--input-file=PATH` reads a file; one other argument not starting with
/// "--" is JSON text of any type; anything else is flag input.
std::variant<nlohmann::json, UsageError> read_operation_input(std::span<const std::string> rest);

/// One object from `--field value` and `--field=value` items, left to right; a value that is valid
/// JSON is taken as such, otherwise as text; "-" in field names becomes "_"; later fields win.
std::variant<nlohmann::json, UsageError> flag_input(std::span<const std::string> items);

}  // namespace parlevox::cli
