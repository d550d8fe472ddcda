// Standard Base64 text of binary data, as one line.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace parlevox {

/// Standard Base64 (RFC 4648 alphabet, "=" padding) without line breaks.
std::string base64(std::span<const std::uint8_t> bytes);

}  // namespace parlevox
