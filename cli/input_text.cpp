// Turning input bytes into text: encoding detection, UTF-8 checks and white-space trimming.
#include "cli/input_text.h"

#include <cstdint>

namespace parlevox::cli {
namespace {

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::variant<std::string, UsageError> decode_utf16(std::string_view bytes, bool little_endian) {
  const UsageError broken{"the input is broken UTF-16 text"};
  std::string out;
  out.reserve(bytes.size());
  auto unit_at = [&](std::size_t i) {
    auto a = static_cast<unsigned char>(bytes[i]);
    auto b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(little_endian ? (b << 8 | a) : (a << 8 | b));
  };
  const std::size_t units = bytes.size() / 2;
  for (std::size_t u = 0; u < units; ++u) {
    char16_t unit = unit_at(2 * u);
    if (unit >= 0xDC00 && unit <= 0xDFFF) return broken;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (u + 1 >= units) return broken;
      char16_t low = unit_at(2 * (u + 1));
      if (low < 0xDC00 || low > 0xDFFF) return broken;
      append_utf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
      ++u;
    } else {
      append_utf8(out, unit);
    }
  }
  return out;
}

// Decodes the code point that starts at `i` of valid UTF-8 and its length.
char32_t code_point_at(std::string_view s, std::size_t i, std::size_t& length) {
  auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    length = 1;
    return b0;
  }
  length = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : 2;
  char32_t cp = b0 & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
  return cp;
}

// The Unicode White_Space property.
bool is_white_space(char32_t cp) {
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000;
}

}  // namespace

bool is_utf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3;
      if (b0 == 0xE0) low = 0xA0;   // overlong
      if (b0 == 0xED) high = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4;
      if (b0 == 0xF0) low = 0x90;   // overlong
      if (b0 == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
      return false;
    }
    if (n - i < length) return false;
    auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    if (b1 < low || b1 > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      auto b = static_cast<unsigned char>(bytes[i + k]);
      if (b < 0x80 || b > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

std::variant<std::string, UsageError> decode_input_text(std::string_view bytes) {
  auto starts_with = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (starts_with("\xFF\xFE")) return decode_utf16(bytes.substr(2), true);
  if (starts_with("\xFE\xFF")) return decode_utf16(bytes.substr(2), false);
  if (starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (!is_utf8(bytes)) return UsageError{"the input is not UTF-8 text: save it as UTF-8"};
  return std::string(bytes);
}

std::string_view trim_white_space(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t length;
    if (!is_white_space(code_point_at(text, begin, length))) break;
    begin += length;
  }
  std::size_t end = text.size();
  while (end > begin) {
    std::size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    std::size_t length;
    if (!is_white_space(code_point_at(text, start, length))) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

}  // namespace parlevox::cli
