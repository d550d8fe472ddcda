// Parsing and writing JSON text the way the command line shows it.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <variant>

namespace parlevox::cli {

/// Why a text is not JSON: the parser's description with line and column.
struct JsonFault {
  std::string description;
};

/// Deepest nesting of arrays and objects accepted; deeper documents are refused rather than
/// risking the stack when they are written out again.
inline constexpr int kMaxJsonDepth = 512;

/// Parses `text` as exactly one JSON value (surrounding JSON white space allowed).
std::variant<nlohmann::json, JsonFault> parse_json_text(std::string_view text);

/// Two-space indented form with sorted keys and UTF-8 text, without a final newline.
std::string pretty_json(const nlohmann::json& value);

/// Compact form (no white space between tokens) with sorted keys and UTF-8 text.
std::string compact_json(const nlohmann::json& value);

}  // namespace parlevox::cli
