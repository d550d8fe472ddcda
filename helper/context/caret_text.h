// The text just before and after the caret, and where the caret is drawn.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "helper/platform/accessibility.h"
#include "helper/platform/geometry.h"

namespace parlevox {

struct TextAround {
  std::u16string before, after;
  bool operator==(const TextAround&) const = default;
};

/// Up to `before` UTF-16 units before the caret and up to `after` units after the end of the
/// selection, in a value of `total` units. When the application serves fewer units after the
/// selection than the value claims, the longest prefix it serves is found by binary search.
/// Absent when the text before cannot be read.
std::optional<TextAround> textAround(platform::Accessibility& ax, const platform::Element& element,
                                     std::int64_t caret, std::int64_t selected, std::int64_t total,
                                     std::int64_t before, std::int64_t after);

struct CaretRect {
  platform::Rect rect;
  double x = 0;  // where the caret line is drawn
};

/// The box of the character at the caret (or of the first selected one) and the caret's x.
/// Absent when the application gives no such box or one that cannot be a character (a line box
/// or an empty field: not higher than 0, or 200 points or more).
std::optional<CaretRect> caretRect(platform::Accessibility& ax, const platform::Element& element);

}  // namespace parlevox
