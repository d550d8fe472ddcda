// Shareable on-screen windows and single-window screenshots.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "helper/platform/image.h"

namespace parlevox::platform {

/// A window frame in points, global top-left coordinates.
struct WindowFrame {
  double x = 0, y = 0, width = 0, height = 0;
  bool operator==(const WindowFrame&) const = default;
};

/// What the system shares of one window.
struct ShareableWindow {
  /// The system's window number; `captureWindow` takes it.
  std::uint32_t windowId = 0;
  /// Process id of the application that owns the window; absent when no application owns it.
  std::optional<std::int32_t> owningPid;
  /// Window layer: 0 for ordinary windows; menus, panels and overlays have other layers.
  std::int64_t layer = 0;
  WindowFrame frame;
  std::optional<std::string> title;
  bool operator==(const ShareableWindow&) const = default;
};

class WindowCapture {
 public:
  /// The shareable windows, or the system's localized description of why it could not say.
  using Windows = std::variant<std::vector<ShareableWindow>, std::string>;
  /// The captured picture, or the system's localized description of the failure.
  using Captured = std::variant<Image, std::string>;

  virtual ~WindowCapture() = default;
  /// The shareable content's windows, excluding desktop windows and windows not on screen, in
  /// the system's order. Blocks until the system answers; call it off the main thread. Safe from
  /// any thread.
  virtual Windows shareableWindows() = 0;
  /// Captures the window `windowId` alone, independent of the desktop around it, at exactly
  /// `width` × `height` pixels (the window's picture is scaled to that size), with or without
  /// the cursor. Any size may be asked for; a size the system cannot capture fails with its
  /// description. Blocks until the capture is done; call it off the main thread. Safe from any
  /// thread; captures may run concurrently.
  virtual Captured captureWindow(std::uint32_t windowId, std::int64_t width, std::int64_t height,
                                 bool showsCursor) = 0;
};

}  // namespace parlevox::platform
