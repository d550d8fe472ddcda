// Text offsets between the accessibility bus (characters, that is code points) and the element
// interface (UTF-16 units).
#include "helper/platform/x11/text_offsets.h"

namespace parlevox::x11 {
namespace {

bool isLead(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isTrail(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::int64_t unitsFromCharacters(std::u16string_view text, std::int64_t characters) {
  std::int64_t unit = 0;
  const auto n = static_cast<std::int64_t>(text.size());
  for (std::int64_t c = 0; c < characters && unit < n; ++c)
    unit += (isLead(text[unit]) && unit + 1 < n && isTrail(text[unit + 1])) ? 2 : 1;
  return unit;
}

std::int64_t charactersFromUnits(std::u16string_view text, std::int64_t units) {
  std::int64_t characters = 0;
  const auto n = static_cast<std::int64_t>(text.size());
  for (std::int64_t unit = 0; unit < units && unit < n; ++characters)
    unit += (isLead(text[unit]) && unit + 1 < n && isTrail(text[unit + 1])) ? 2 : 1;
  return characters;
}

}  // namespace parlevox::x11
