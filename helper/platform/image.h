// A captured picture as plain pixels, handed from window capture to encoding and recognition.
#pragma once

#include <cstdint>
#include <vector>

namespace parlevox::platform {

/// 8-bit RGB pixels, three bytes per pixel, rows from top to bottom without padding. A valid
/// image has width and height of at least 1 and `rgb.size() == width * height * 3`.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

}  // namespace parlevox::platform
