// Trimming white space by the Unicode White_Space property.
#include "helper/core/white_space.h"

#include <unicode/uchar.h>

namespace parlevox {

bool isWhiteSpace(char16_t c) {
  // Every White_Space character lies in the BMP, so a lone surrogate unit is never one.
  if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
  return u_isUWhiteSpace(c);
}

std::u16string_view trimWhiteSpace(std::u16string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && isWhiteSpace(text[begin])) ++begin;
  while (end > begin && isWhiteSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace parlevox
