// Matching a spoken phrase against a voice command's phrase pattern.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace parlevox::reference_app {

/// Matches `spoken` against `pattern`, where "{name}" stands for one or more characters of a
/// variable; letters compare without regard to ASCII case and surrounding blanks are ignored.
/// Gives the variables' values on a match.
std::optional<std::map<std::string, std::string>> match_phrase(std::string_view pattern,
                                                               std::string_view spoken);

}  // namespace parlevox::reference_app
