// The X server's monitors (XRandR), primary first, as the screens service.
#pragma once

#include "helper/platform/screens.h"
#include "helper/platform/x11/x11_connection.h"

namespace parlevox::x11 {

/// Monitors in global top-left coordinates, whose origin is the primary monitor's top-left
/// corner; the screens service hands them over in its bottom-left form. Without XRandR, or
/// when it lists no monitor, the whole root window is the one screen.
class X11Screens final : public platform::Screens {
 public:
  /// Reads the monitors once, so that the connection knows its origin from the start.
  explicit X11Screens(X11Connection& connection);
  std::vector<platform::Screen> screens() override;

 private:
  /// The monitors in root pixels, primary first; keeps the connection's origin current.
  std::vector<RootRect> monitors();
  X11Connection& connection_;
};

}  // namespace parlevox::x11
