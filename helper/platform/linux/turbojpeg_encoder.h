// JPEG encoding with libjpeg-turbo.
#pragma once

#include "helper/platform/image_encoder.h"

namespace parlevox::native {

/// Baseline JPEG, 4:2:0 chroma subsampling; the compression factor becomes the quality
/// (0.8 → 80).
class TurboJpegEncoder final : public platform::ImageEncoder {
 public:
  std::optional<std::vector<std::uint8_t>> jpeg(const platform::Image& image,
                                                double compressionFactor) override;
};

}  // namespace parlevox::native
