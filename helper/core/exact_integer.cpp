// The exact integer a JSON number's text stands for, read without a detour through double.
#include "helper/core/exact_integer.h"

namespace parlevox {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Exponents beyond this are as good as infinite: no line holds that many digits.
constexpr std::int64_t kExponentClamp = 1'000'000'000;

}  // namespace

std::optional<std::int64_t> exactInteger(std::string_view text) {
  std::size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  const std::size_t intStart = i;
  while (i < text.size() && isDigit(text[i])) ++i;
  const std::string_view whole = text.substr(intStart, i - intStart);
  std::string_view fraction;
  if (i < text.size() && text[i] != 'e' && text[i] != 'E') {
    const std::size_t start = ++i;  // past the decimal point
    while (i < text.size() && isDigit(text[i])) ++i;
    fraction = text.substr(start, i - start);
  }
  std::int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) minus = text[i++] == '-';
    for (; i < text.size() && isDigit(text[i]); ++i)
      if (exponent < kExponentClamp) exponent = exponent * 10 + (text[i] - '0');
    if (minus) exponent = -exponent;
  }
  if (i != text.size() || whole.empty()) return std::nullopt;

  // The significant digits are `whole` then `fraction`; the value is their integer times
  // 10^(exponent - fraction length).
  const std::size_t count = whole.size() + fraction.size();
  auto digit = [&](std::size_t k) {
    return k < whole.size() ? whole[k] - '0' : fraction[k - whole.size()] - '0';
  };
  std::size_t first = 0;
  while (first < count && digit(first) == 0) ++first;
  if (first == count) return 0;  // zero, however it is written
  std::size_t last = count - 1;
  while (digit(last) == 0) --last;
  // Trailing zeros move into the power of ten; what remains must not be a fraction.
  const std::int64_t power = exponent - static_cast<std::int64_t>(fraction.size()) +
                             static_cast<std::int64_t>(count - 1 - last);
  if (power < 0) return std::nullopt;
  const std::size_t length = last - first + 1;
  if (static_cast<std::int64_t>(length) + power > 19) return std::nullopt;  // 10^19 > 2^63

  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  std::uint64_t value = 0;  // at most 19 digits: no overflow
  for (std::size_t k = first; k <= last; ++k)
    value = value * 10 + static_cast<std::uint64_t>(digit(k));
  for (std::int64_t p = 0; p < power; ++p) {
    if (value > limit / 10) return std::nullopt;
    value *= 10;
  }
  if (value > limit) return std::nullopt;
  if (negative)
    return value == (std::uint64_t{1} << 63) ? INT64_MIN : -static_cast<std::int64_t>(value);
  return static_cast<std::int64_t>(value);
}

}  // namespace parlevox
