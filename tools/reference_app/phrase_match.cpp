// Matching a spoken phrase against a voice command's phrase pattern.
#include "phrase_match.h"

#include <cctype>
#include <vector>

namespace parlevox::reference_app {
namespace {

using Values = std::map<std::string, std::string>;

char fold(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool is_continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Matches pattern[p..] against spoken[s..]. `failed` remembers the (p, s) pairs already known not
// to match, so that patterns with several variables take polynomial rather than exponential time.
class Matcher {
 public:
  Matcher(std::string_view pattern, std::string_view spoken)
      : pattern_(pattern), spoken_(spoken), failed_((pattern.size() + 1) * (spoken.size() + 1)) {}

  bool match(std::size_t p, std::size_t s, Values& values) {
    char& known_failure = failed_[p * (spoken_.size() + 1) + s];
    if (known_failure) return false;
    bool matched = match_here(p, s, values);
    known_failure = !matched;
    return matched;
  }

 private:
  bool match_here(std::size_t p, std::size_t s, Values& values) {
    if (p == pattern_.size()) return s == spoken_.size();
    if (pattern_[p] == '{') {
      auto close = pattern_.find('}', p);
      if (close != std::string_view::npos) {
        std::string name(pattern_.substr(p + 1, close - p - 1));
        // A value ends on a character boundary, never inside a UTF-8 sequence.
        for (std::size_t end = s + 1; end <= spoken_.size(); ++end) {
          if (end < spoken_.size() && is_continuation(spoken_[end])) continue;
          if (match(close + 1, end, values)) {
            values[name] = std::string(spoken_.substr(s, end - s));
            return true;
          }
        }
        return false;
      }
    }
    if (s == spoken_.size() || fold(pattern_[p]) != fold(spoken_[s])) return false;
    return match(p + 1, s + 1, values);
  }

  std::string_view pattern_;
  std::string_view spoken_;
  std::vector<char> failed_;
};

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
  if (Matcher(trim(pattern), trim(spoken)).match(0, 0, values)) return values;
  return std::nullopt;
}

}  // namespace parlevox::reference_app
