// Turning input bytes into text: encoding detection, UTF-8 checks and white-space trimming.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "cli/usage_error.h"

namespace parlevox::cli {

/// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past
/// U+10FFFF).
bool is_utf8(std::string_view bytes);

/// Decodes file or stdin bytes to UTF-8 text. A leading FF FE or FE FF selects UTF-16 LE or BE
/// (a final odd byte is ignored); a leading EF BB BF is dropped; anything else must be UTF-8.
/// Fails with "the input is not UTF-8 text: save it as UTF-8" or "the input is broken UTF-16 text".
std::variant<std::string, UsageError> decode_input_text(std::string_view bytes);

/// `text` (valid UTF-8) without the Unicode white space at either end.
std::string_view trim_white_space(std::string_view text);

}  // namespace parlevox::cli
