// The real X11 desktop: every platform service over the X server and the accessibility bus,
// with inert stand-ins where this desktop offers nothing yet.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "helper/platform/linux/posix_files.h"
#include "helper/platform/platform.h"
#include "helper/platform/x11/atspi_accessibility.h"
#include "helper/platform/x11/x11_connection.h"
#include "helper/platform/x11/x11_inert_services.h"
#include "helper/platform/x11/x11_permissions.h"
#include "helper/platform/x11/x11_screens.h"
#include "helper/platform/x11/x11_window_capture.h"
#include "helper/platform/x11/x11_workspace.h"

namespace parlevox::x11 {

class X11Desktop {
 public:
  using Opened = std::variant<std::unique_ptr<X11Desktop>, std::string /* error message */>;

  /// Connects to the X server named by DISPLAY and to the accessibility bus; the error says
  /// which of the two is missing.
  static Opened open();

  /// The services. Volume, decoding, text recognition and JPEG encoding are the composition
  /// point's to add (they are the same on every Linux desktop).
  platform::Platform platform();

  std::unique_ptr<X11Connection> connection;
  std::unique_ptr<X11Screens> screens;
  std::unique_ptr<X11Workspace> workspace;
  std::unique_ptr<AtspiAccessibility> accessibility;
  std::unique_ptr<X11Permissions> permissions;
  std::unique_ptr<X11WindowCapture> windowCapture;
  native::PosixFiles files;
  // Stand-ins until the keyboard, layout and pasteboard services of this desktop exist.
  InertEvents events;
  InertInputSources inputSources;
  InertPasteboard pasteboard;

 private:
  X11Desktop() = default;
};

}  // namespace parlevox::x11
