// Standard Base64 text of binary data, as one line.
#include "helper/context/base64.h"

#include <openssl/evp.h>

#include <algorithm>

namespace parlevox {

std::string base64(std::span<const std::uint8_t> bytes) {
  const std::size_t length = (bytes.size() + 2) / 3 * 4;
  std::string text(length + 1, '\0');  // the encoder ends what it writes with a NUL
  // The encoder takes an int length; whole groups of three bytes per call join without padding.
  constexpr std::size_t kChunk = 3 * (std::size_t{1} << 20);
  auto* out = reinterpret_cast<unsigned char*>(text.data());
  for (std::size_t in = 0; in < bytes.size();) {
    const std::size_t n = std::min(kChunk, bytes.size() - in);
    out += EVP_EncodeBlock(out, bytes.data() + in, static_cast<int>(n));
    in += n;
  }
  text.resize(length);
  return text;
}

}  // namespace parlevox
