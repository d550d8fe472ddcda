// JPEG encoding with libjpeg-turbo.
#include "helper/platform/linux/turbojpeg_encoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace parlevox::native {

std::optional<std::vector<std::uint8_t>> TurboJpegEncoder::jpeg(const platform::Image& image,
                                                                double compressionFactor) {
  if (image.width < 1 || image.height < 1 ||
      image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3)
    return std::nullopt;
  if (std::isnan(compressionFactor)) return std::nullopt;
  const int quality = std::clamp(static_cast<int>(std::lround(compressionFactor * 100)), 1, 100);

  // One compressor per call: calls may come from several threads at once.
  std::unique_ptr<void, int (*)(tjhandle)> compressor(tjInitCompress(), tjDestroy);
  if (!compressor) return std::nullopt;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const int failed = tjCompress2(compressor.get(), image.rgb.data(), image.width, image.width * 3,
                                 image.height, TJPF_RGB, &buffer, &size, TJSAMP_420, quality, 0);
  std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(buffer, tjFree);
  if (failed != 0 || !buffer) return std::nullopt;
  return std::vector<std::uint8_t>(buffer, buffer + size);
}

}  // namespace parlevox::native
