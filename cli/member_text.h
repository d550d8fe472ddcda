// Finding the text of one member in the text of a JSON object, as it was written.
#pragma once

#include <optional>
#include <string_view>

namespace parlevox::cli {

/// The text of the value of the top-level member `key` in `object_text`, a JSON object that has
/// already been parsed successfully; the last such member when the key repeats (as the parsed
/// object keeps it), with keys compared after their escapes are decoded. Nothing when the member
/// is missing or the text is not an object.
std::optional<std::string_view> member_text(std::string_view object_text, std::string_view key);

}  // namespace parlevox::cli
