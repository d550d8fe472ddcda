// Text windows over UTF-16 positions.
#include "helper/context/text_windows.h"

#include <algorithm>
#include <cmath>

namespace parlevox {

FieldWindow fieldAround(std::u16string_view text, std::optional<std::int64_t> caret,
                        std::int64_t limit) {
  const auto n = static_cast<std::int64_t>(text.size());
  if (limit >= n) {
    if (caret) caret = std::clamp<std::int64_t>(*caret, 0, n);
    return {std::u16string(text), caret};
  }
  // A negative limit keeps nothing rather than reading before the text.
  limit = std::max<std::int64_t>(limit, 0);
  if (!caret || *caret < 0 || *caret > n)
    return {std::u16string(text.substr(static_cast<std::size_t>(n - limit))), std::nullopt};
  const auto share = static_cast<std::int64_t>(std::round(static_cast<double>(limit) * 0.6));
  const std::int64_t keep = std::min(std::max(share, *caret + limit - n), *caret);
  return {std::u16string(text.substr(static_cast<std::size_t>(*caret - keep),
                                     static_cast<std::size_t>(limit))),
          keep};
}

bool isWordBreak(char16_t c) {
  switch (c) {
    case 9:
    case 10:
    case 13:
    case 32:
    case 0xA0:
    case 0x2028:
    case 0x2029:
      return true;
    default:
      return false;
  }
}

std::u16string wholeWords(std::u16string_view text, UnitRange range) {
  const auto n = static_cast<std::int64_t>(text.size());
  std::int64_t lo = std::max<std::int64_t>(std::min(range.lower, n), 0);
  std::int64_t hi = std::max(std::min(range.upper, n), lo);
  const std::int64_t floor = std::max<std::int64_t>(lo - 40, 0);
  const std::int64_t ceiling = std::min(hi + 40, n);
  while (lo > floor && !isWordBreak(text[static_cast<std::size_t>(lo - 1)])) --lo;
  while (hi < ceiling && !isWordBreak(text[static_cast<std::size_t>(hi)])) ++hi;
  return std::u16string(
      text.substr(static_cast<std::size_t>(lo), static_cast<std::size_t>(hi - lo)));
}

}  // namespace parlevox
