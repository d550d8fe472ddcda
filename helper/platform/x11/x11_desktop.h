// The real X11 desktop: every platform service over the X server and the accessibility bus,
// with inert stand-ins where this desktop offers nothing yet.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "helper/platform/linux/posix_files.h"
#include "helper/platform/platform.h"
#include "helper/platform/x11/atspi_accessibility.h"
#include "helper/platform/x11/x11_clipboard.h"
#include "helper/platform/x11/x11_connection.h"
#include "helper/platform/x11/x11_event_tap.h"
#include "helper/platform/x11/x11_inert_services.h"
#include "helper/platform/x11/x11_permissions.h"
#include "helper/platform/x11/x11_screens.h"
#include "helper/platform/x11/x11_window_capture.h"
#include "helper/platform/x11/x11_workspace.h"
#include "helper/platform/x11/xkb_input_sources.h"

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
  // The keyboard, its layouts and the clipboard; each stand-in answers when the server lacks
  // the extension its service needs.
  std::unique_ptr<X11EventSystem> events;
  std::unique_ptr<XkbInputSources> inputSources;
  std::unique_ptr<X11Clipboard> pasteboard;
  InertEvents inertEvents;
  InertInputSources inertInputSources;
  InertPasteboard inertPasteboard;

  /// Hands the tap the main loop once it runs: the tap's events reach the callback there.
  class MainLoopLink final : public platform::ScriptedInput {
   public:
    explicit MainLoopLink(X11Desktop& desktop) : desktop_(desktop) {}
    void mainLoopStarting(platform::MainLoopTimer timer) override;

   private:
    X11Desktop& desktop_;
  };
  MainLoopLink mainLoopLink{*this};

 private:
  X11Desktop() = default;
};

}  // namespace parlevox::x11
