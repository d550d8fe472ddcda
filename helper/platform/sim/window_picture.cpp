// A simulated window's picture: a PNG file's bytes, decoded and scaled to a capture size.
#include "helper/platform/sim/window_picture.h"

#include <leptonica/allheaders.h>

#include <memory>

namespace parlevox::sim {
namespace {

struct PixDeleter {
  void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

PixPtr decode(std::span<const std::uint8_t> png) {
  return PixPtr(pixReadMem(png.data(), png.size()));
}

bool isPng(std::span<const std::uint8_t> bytes) {
  l_int32 format = IFF_UNKNOWN;
  return !bytes.empty() && findFileFormatBuffer(bytes.data(), &format) == 0 && format == IFF_PNG;
}

}  // namespace

void quietPictureLibrary() {
  setMsgSeverity(L_SEVERITY_NONE);
}

std::optional<std::string> pictureProblem(std::span<const std::uint8_t> png) {
  if (png.size() < 12 || !isPng(png)) return "not a PNG picture";
  if (!decode(png)) return "a PNG picture that cannot be decoded";
  return std::nullopt;
}

std::variant<platform::Image, std::string> scaledPicture(std::span<const std::uint8_t> png,
                                                         int width, int height) {
  PixPtr picture = png.size() >= 12 && isPng(png) ? decode(png) : nullptr;
  if (!picture) return std::string("The window's picture cannot be decoded.");
  PixPtr opaque(pixRemoveAlpha(picture.get()));  // blends over white; a clone when opaque
  PixPtr rgb(opaque ? pixConvertTo32(opaque.get()) : nullptr);
  PixPtr scaled(rgb ? pixScaleToSize(rgb.get(), width, height) : nullptr);
  // The scale factors are rounded to single precision; a side that comes out one pixel off is
  // cropped or extended by repeating the edge.
  if (scaled && (pixGetWidth(scaled.get()) != width || pixGetHeight(scaled.get()) != height))
    scaled.reset(pixResizeToMatch(scaled.get(), nullptr, width, height));
  if (!scaled) return std::string("The window's picture cannot be scaled to the capture size.");

  platform::Image image{.width = width, .height = height, .rgb = {}};
  image.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  const l_uint32* data = pixGetData(scaled.get());
  const int wpl = pixGetWpl(scaled.get());
  auto* out = image.rgb.data();
  for (int y = 0; y < height; ++y) {
    const l_uint32* line = data + static_cast<std::ptrdiff_t>(y) * wpl;
    for (int x = 0; x < width; ++x) {
      l_int32 r, g, b;
      extractRGBValues(line[x], &r, &g, &b);
      *out++ = static_cast<std::uint8_t>(r);
      *out++ = static_cast<std::uint8_t>(g);
      *out++ = static_cast<std::uint8_t>(b);
    }
  }
  return image;
}

platform::Image blankPicture(int width, int height) {
  return {.width = width,
          .height = height,
          .rgb = std::vector<std::uint8_t>(
              static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 255)};
}

}  // namespace parlevox::sim
