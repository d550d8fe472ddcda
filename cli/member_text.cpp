// Finding the text of one member in the text of a JSON object, as it was written.
#include "cli/member_text.h"

#include <nlohmann/json.hpp>

namespace parlevox::cli {
namespace {

constexpr std::size_t kNowhere = std::string_view::npos;

std::size_t skip_white_space(std::string_view text, std::size_t i) {
  while (i < text.size() &&
         (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
    ++i;
  return i;
}

// The position after the string that starts with the quote at `i`.
std::size_t string_end(std::string_view text, std::size_t i) {
  for (++i; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      return i + 1;
    }
  }
  return kNowhere;
}

// The position after the value that starts at `i`.
std::size_t value_end(std::string_view text, std::size_t i) {
  if (i >= text.size()) return kNowhere;
  if (text[i] == '"') return string_end(text, i);
  if (text[i] == '{' || text[i] == '[') {
    int depth = 0;
    for (; i < text.size(); ++i) {
      char c = text[i];
      if (c == '"') {
        i = string_end(text, i);
        if (i == kNowhere) return kNowhere;
        --i;
      } else if (c == '{' || c == '[') {
        ++depth;
      } else if ((c == '}' || c == ']') && --depth == 0) {
        return i + 1;
      }
    }
    return kNowhere;
  }
  // A number or a literal runs to the next delimiter.
  std::size_t stop = text.find_first_of(",}] \t\n\r", i);
  return stop == kNowhere ? text.size() : stop;
}

bool key_is(std::string_view quoted_key, std::string_view key) {
  std::string_view inner = quoted_key.substr(1, quoted_key.size() - 2);
  if (inner.find('\\') == std::string_view::npos) return inner == key;
  auto decoded = nlohmann::json::parse(quoted_key.begin(), quoted_key.end(), nullptr, false);
  return decoded.is_string() && decoded.get_ref<const std::string&>() == key;
}

}  // namespace

std::optional<std::string_view> member_text(std::string_view object_text, std::string_view key) {
  std::optional<std::string_view> found;
  std::size_t i = skip_white_space(object_text, 0);
  if (i >= object_text.size() || object_text[i] != '{') return std::nullopt;
  for (i = skip_white_space(object_text, i + 1); i < object_text.size() && object_text[i] == '"';
       i = skip_white_space(object_text, i + 1)) {
    std::size_t key_end = string_end(object_text, i);
    if (key_end == kNowhere) return std::nullopt;
    std::string_view quoted_key = object_text.substr(i, key_end - i);
    i = skip_white_space(object_text, key_end);
    if (i >= object_text.size() || object_text[i] != ':') return std::nullopt;
    std::size_t value_start = skip_white_space(object_text, i + 1);
    std::size_t end = value_end(object_text, value_start);
    if (end == kNowhere) return std::nullopt;
    if (key_is(quoted_key, key)) found = object_text.substr(value_start, end - value_start);
    i = skip_white_space(object_text, end);
    if (i >= object_text.size() || object_text[i] != ',') break;
  }
  return found;
}

}  // namespace parlevox::cli
