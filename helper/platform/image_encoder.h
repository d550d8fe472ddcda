// Encoding a captured picture as a compressed image file.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "helper/platform/image.h"

namespace parlevox::platform {

class ImageEncoder {
 public:
  virtual ~ImageEncoder() = default;
  /// The JPEG file bytes of the image, at `compressionFactor` from 0.0 (smallest file) to 1.0
  /// (best quality); nothing when the image cannot be encoded. Safe from any thread.
  virtual std::optional<std::vector<std::uint8_t>> jpeg(const Image& image,
                                                        double compressionFactor) = 0;
};

}  // namespace parlevox::platform
