// Parsing and writing JSON text the way the command line shows it.
#include "cli/json_text.h"

#include <nlohmann/json.hpp>

namespace parlevox::cli {
namespace {

// Finds where nesting first goes past kMaxJsonDepth, outside of strings.
std::optional<std::size_t> too_deep_at(std::string_view text) {
  int depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return i;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return std::nullopt;
}

std::string position_text(std::string_view text, std::size_t offset) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

std::variant<nlohmann::json, JsonFault> parse_json_text(std::string_view text) {
  if (auto offset = too_deep_at(text)) {
    return JsonFault{"nesting deeper than " + std::to_string(kMaxJsonDepth) + " levels at " +
                     position_text(text, *offset)};
  }
  try {
    return nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& error) {
    // Drop the library's "[json.exception.parse_error.101] " tag; keep its description.
    std::string_view what = error.what();
    if (auto tag_end = what.find("] ");
        what.starts_with("[json.exception.") && tag_end != what.npos)
      what.remove_prefix(tag_end + 2);
    return JsonFault{std::string(what)};
  }
}

std::string pretty_json(const nlohmann::json& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string compact_json(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace parlevox::cli
