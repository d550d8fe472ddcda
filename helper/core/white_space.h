// Trimming white space and line breaks (the Unicode White_Space characters) from text.
#pragma once

#include <string_view>

namespace parlevox {

/// Whether the UTF-16 unit is a Unicode white-space character (spaces, tabs, line breaks).
bool isWhiteSpace(char16_t c);
/// `text` without the white space and line breaks at either end.
std::u16string_view trimWhiteSpace(std::u16string_view text);

}  // namespace parlevox
