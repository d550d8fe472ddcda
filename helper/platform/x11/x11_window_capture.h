// Window pictures from the X server: the window manager's client windows and their pixels.
#pragma once

#include "helper/platform/window_capture.h"
#include "helper/platform/x11/x11_connection.h"

namespace parlevox::x11 {

/// The windows of _NET_CLIENT_LIST from front to back, each with its decoration frame. The
/// top-level windows are redirected off screen (XComposite, automatic) once at start, so a
/// window's pixels read back whole even where other windows cover it; without the extension the
/// pixels are read from the screen. The cursor is never drawn in.
class X11WindowCapture final : public platform::WindowCapture {
 public:
  explicit X11WindowCapture(X11Connection& connection);
  Windows shareableWindows() override;
  Captured captureWindow(std::uint32_t windowId, std::int64_t width, std::int64_t height,
                         bool showsCursor) override;

 private:
  X11Connection& connection_;
};

/// `image` scaled to `width` × `height` pixels by bilinear interpolation.
platform::Image scaleImage(const platform::Image& image, int width, int height);

}  // namespace parlevox::x11
