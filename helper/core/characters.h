// Counting text in user-perceived characters (extended grapheme clusters) over UTF-16.
#pragma once

#include <cstdint>
#include <string_view>

namespace parlevox {

/// The last `count` user-perceived characters of `text` (all of it when it has fewer; none for
/// a count of 0 or less).
std::u16string_view lastCharacters(std::u16string_view text, std::int64_t count);
/// The first `count` user-perceived characters of `text`, with the same rules.
std::u16string_view firstCharacters(std::u16string_view text, std::int64_t count);
/// How many user-perceived characters `text` holds.
std::int64_t characterCount(std::u16string_view text);
/// Whether `text` holds more than `count` user-perceived characters, without counting past
/// `count` in text beyond ASCII.
bool hasMoreCharactersThan(std::u16string_view text, std::int64_t count);

}  // namespace parlevox
