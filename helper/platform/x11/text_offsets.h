// Text offsets between the accessibility bus (characters, that is code points) and the element
// interface (UTF-16 units).
#pragma once

#include <cstdint>
#include <string_view>

namespace parlevox::x11 {

/// The UTF-16 offset of the character offset `characters` in `text`, clamped to the text.
std::int64_t unitsFromCharacters(std::u16string_view text, std::int64_t characters);
/// The character offset of the UTF-16 offset `units` in `text`, clamped to the text; an offset
/// inside a surrogate pair counts the pair's character as before it.
std::int64_t charactersFromUnits(std::u16string_view text, std::int64_t units);

}  // namespace parlevox::x11
