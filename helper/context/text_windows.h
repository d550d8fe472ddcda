// Cutting long texts down to a window: around the caret, or widened to whole words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "helper/context/geometry.h"

namespace parlevox {

struct FieldWindow {
  std::u16string text;
  std::optional<std::int64_t> caret;  // inside `text`
  bool operator==(const FieldWindow&) const = default;
};

/// A window of `limit` UTF-16 units of `text` with 60 % of it before the caret; the last
/// `limit` units and no caret when the caret is absent or outside the text.
FieldWindow fieldAround(std::u16string_view text, std::optional<std::int64_t> caret,
                        std::int64_t limit);
/// Whether the UTF-16 unit separates words: tab, line feed, carriage return, space, no-break
/// space, line and paragraph separator.
bool isWordBreak(char16_t c);
/// The range widened to whole words, by at most 40 units on each side.
std::u16string wholeWords(std::u16string_view text, UnitRange range);

}  // namespace parlevox
