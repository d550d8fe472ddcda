// The exact integer a JSON number's text stands for, read without a detour through double.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace parlevox {

/// The value of a well-formed JSON number text ("-12", "7.0", "1e3", "9007199254740993.0") when it
/// is an integer within the signed 64-bit range; nothing when it has a non-zero fraction (also a
/// tiny one such as "1e-400") or lies outside the range. Any character other than a digit, sign
/// or exponent mark counts as the decimal point.
std::optional<std::int64_t> exactInteger(std::string_view text);

}  // namespace parlevox
