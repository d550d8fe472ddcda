// A simulated window's picture: a PNG file's bytes, decoded and scaled to a capture size.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "helper/platform/image.h"

namespace parlevox::sim {

/// Stops the image library from reporting failures on stderr, which the helper keeps quiet;
/// outcomes are read from return values alone. Call before any other thread uses the library.
void quietPictureLibrary();

/// Why the bytes are not a readable PNG picture; nothing when they are.
std::optional<std::string> pictureProblem(std::span<const std::uint8_t> png);

/// The PNG picture scaled to exactly `width` × `height` pixels (transparent parts on white), or
/// why it could not be. The size must already be checked (at least 1 on each side).
std::variant<platform::Image, std::string> scaledPicture(std::span<const std::uint8_t> png,
                                                         int width, int height);

/// A plain white picture: a window without a picture of its own.
platform::Image blankPicture(int width, int height);

}  // namespace parlevox::sim
