// Window pictures from the X server: the window manager's client windows and their pixels.
#include "helper/platform/x11/x11_window_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>

#include <algorithm>
#include <cmath>

namespace parlevox::x11 {
namespace {

// The largest picture handed out: 16384 pixels a side and 64 million pixels in all.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

int shift(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++s;
  return s;
}

int bits(unsigned long mask) {
  int b = 0;
  for (; mask; mask >>= 1) b += mask & 1;
  return b;
}

}  // namespace

X11WindowCapture::X11WindowCapture(X11Connection& connection) : connection_(connection) {
  auto held = connection_.lock();
  int event = 0, error = 0, major = 0, minor = 2;
  if (XCompositeQueryExtension(connection_.display(), &event, &error) &&
      XCompositeQueryVersion(connection_.display(), &major, &minor))
    XCompositeRedirectSubwindows(connection_.display(), connection_.root(),
                                 CompositeRedirectAutomatic);
}

platform::WindowCapture::Windows X11WindowCapture::shareableWindows() {
  auto stacking = connection_.cardinals(connection_.root(), "_NET_CLIENT_LIST_STACKING");
  if (stacking.empty()) stacking = connection_.clientWindows();
  std::reverse(stacking.begin(), stacking.end());  // front first
  const auto normal = connection_.atom("_NET_WM_WINDOW_TYPE_NORMAL");
  const auto dialog = connection_.atom("_NET_WM_WINDOW_TYPE_DIALOG");
  const auto desktop = connection_.atom("_NET_WM_WINDOW_TYPE_DESKTOP");
  const auto origin = connection_.origin();
  std::vector<platform::ShareableWindow> windows;
  for (const WindowId window : stacking) {
    if (window > 0xffffffffUL) continue;
    const auto types = connection_.cardinals(window, "_NET_WM_WINDOW_TYPE");
    const unsigned long type = types.empty() ? normal : types[0];
    if (type == desktop) continue;
    const auto frame = connection_.frameOf(window);
    if (!frame) continue;  // not on screen
    platform::ShareableWindow shared;
    shared.windowId = static_cast<std::uint32_t>(window);
    shared.owningPid = connection_.windowPid(window);
    // Ordinary windows are on layer 0; docks, menus and other panels above it.
    shared.layer = type == normal || type == dialog ? 0 : 1;
    const auto& r = frame->second;
    shared.frame = {r.x - origin.x, r.y - origin.y, double(r.width), double(r.height)};
    shared.title = connection_.text(window, "_NET_WM_NAME");
    if (!shared.title) shared.title = connection_.text(window, "WM_NAME");
    windows.push_back(std::move(shared));
  }
  return windows;
}

platform::WindowCapture::Captured X11WindowCapture::captureWindow(std::uint32_t windowId,
                                                                  std::int64_t width,
                                                                  std::int64_t height, bool) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
      width * height > kMaxPixels)
    return std::string("The requested picture size is not supported.");
  const auto frame = connection_.frameOf(windowId);
  if (!frame) return std::string("The window is not on screen.");
  const auto& r = frame->second;
  if (r.width < 1 || r.height < 1) return std::string("The window has no pixels.");
  if (std::int64_t(r.width) * r.height > kMaxPixels)
    return std::string("The window is too large to capture.");
  platform::Image picture;
  {
    auto held = connection_.lock();
    XImage* image =
        XGetImage(connection_.display(), frame->first, 0, 0, r.width, r.height, AllPlanes, ZPixmap);
    if (!image) return std::string("The window's pixels cannot be read.");
    picture.width = image->width;
    picture.height = image->height;
    picture.rgb.resize(std::size_t(picture.width) * picture.height * 3);
    const int rs = shift(image->red_mask), gs = shift(image->green_mask),
              bs = shift(image->blue_mask);
    const int rb = bits(image->red_mask), gb = bits(image->green_mask), bb = bits(image->blue_mask);
    auto channel = [](unsigned long pixel, unsigned long mask, int s, int b) {
      if (b == 0) return std::uint8_t{0};  // a visual without this colour
      const unsigned long v = (pixel & mask) >> s;
      return static_cast<std::uint8_t>(b >= 8 ? v >> (b - 8) : (v * 255) / ((1UL << b) - 1));
    };
    std::uint8_t* out = picture.rgb.data();
    for (int y = 0; y < image->height; ++y)
      for (int x = 0; x < image->width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        *out++ = channel(p, image->red_mask, rs, rb);
        *out++ = channel(p, image->green_mask, gs, gb);
        *out++ = channel(p, image->blue_mask, bs, bb);
      }
    XDestroyImage(image);
  }
  if (picture.width == width && picture.height == height) return picture;
  return scaleImage(picture, static_cast<int>(width), static_cast<int>(height));
}

platform::Image scaleImage(const platform::Image& image, int width, int height) {
  platform::Image out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  const double sx = double(image.width) / width, sy = double(image.height) / height;
  for (int y = 0; y < height; ++y) {
    const double fy = std::clamp((y + 0.5) * sy - 0.5, 0.0, double(image.height - 1));
    const int y0 = int(fy), y1 = std::min(y0 + 1, image.height - 1);
    const double wy = fy - y0;
    for (int x = 0; x < width; ++x) {
      const double fx = std::clamp((x + 0.5) * sx - 0.5, 0.0, double(image.width - 1));
      const int x0 = int(fx), x1 = std::min(x0 + 1, image.width - 1);
      const double wx = fx - x0;
      for (int c = 0; c < 3; ++c) {
        auto at = [&](int px, int py) {
          return double(image.rgb[(std::size_t(py) * image.width + px) * 3 + c]);
        };
        const double top = at(x0, y0) * (1 - wx) + at(x1, y0) * wx;
        const double bottom = at(x0, y1) * (1 - wx) + at(x1, y1) * wx;
        out.rgb[(std::size_t(y) * width + x) * 3 + c] =
            static_cast<std::uint8_t>(std::lround(top * (1 - wy) + bottom * wy));
      }
    }
  }
  return out;
}

}  // namespace parlevox::x11
