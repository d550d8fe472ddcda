// Matching a spoken phrase against a voice command's phrase pattern.
#include "phrase_match.h"

#include <cctype>

namespace parlevox::reference_app {
namespace {

using Values = std::map<std::string, std::string>;

char fold(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool is_continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool match_from(std::string_view pattern, std::string_view spoken, Values& values) {
  if (pattern.empty()) return spoken.empty();
  if (pattern.front() == '{') {
    auto close = pattern.find('}');
    if (close != std::string_view::npos) {
      std::string name(pattern.substr(1, close - 1));
      auto rest = pattern.substr(close + 1);
      // A value ends on a character boundary, never inside a UTF-8 sequence.
      for (std::size_t end = 1; end <= spoken.size(); ++end) {
        if (end < spoken.size() && is_continuation(spoken[end])) continue;
        if (match_from(rest, spoken.substr(end), values)) {
          values[name] = std::string(spoken.substr(0, end));
          return true;
        }
      }
      return false;
    }
  }
  if (spoken.empty() || fold(pattern.front()) != fold(spoken.front())) return false;
  return match_from(pattern.substr(1), spoken.substr(1), values);
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<Values> match_phrase(std::string_view pattern, std::string_view spoken) {
  Values values;
  if (match_from(trim(pattern), trim(spoken), values)) return values;
  return std::nullopt;
}

}  // namespace parlevox::reference_app
