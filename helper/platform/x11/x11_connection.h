// One shared connection to the X server: window properties, the window manager's lists and the
// origin of global coordinates, safe to use from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "helper/platform/geometry.h"

// Xlib's types, kept out of the headers of logic that includes this one.
typedef struct _XDisplay Display;

namespace parlevox::x11 {

using WindowId = unsigned long;  // Xlib's Window

/// A rectangle in the X server's root-window pixels.
struct RootRect {
  int x = 0, y = 0, width = 0, height = 0;
};

class X11Connection {
 public:
  /// Opens the display named by DISPLAY; nothing when there is none or it cannot be opened
  /// (the reason in `error`).
  static std::unique_ptr<X11Connection> open(std::string& error);
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  /// Holds the connection for a sequence of Xlib calls made through `display()`.
  std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock(mutex_); }
  Display* display() const { return display_; }
  WindowId root() const { return root_; }
  unsigned long atom(const char* name);

  /// A CARDINAL or WINDOW list property; empty when missing.
  std::vector<unsigned long> cardinals(WindowId window, const char* property);
  /// A UTF8_STRING or STRING property as bytes; nothing when missing.
  std::optional<std::string> text(WindowId window, const char* property);
  /// WM_CLASS as (instance, class); nothing when missing.
  std::optional<std::pair<std::string, std::string>> windowClass(WindowId window);

  /// The window manager's client windows (_NET_CLIENT_LIST), in its order.
  std::vector<WindowId> clientWindows();
  /// The active window (_NET_ACTIVE_WINDOW); nothing when none.
  std::optional<WindowId> activeWindow();
  /// The process of a window (_NET_WM_PID); nothing when it does not say.
  std::optional<std::int32_t> windowPid(WindowId window);
  /// The window's frame: the window manager's decoration around it when there is one (the
  /// child of the root holding it), in root pixels; nothing when the window is gone or unmapped.
  std::optional<std::pair<WindowId, RootRect>> frameOf(WindowId window);

  /// The primary monitor's top-left corner in root pixels: the origin of global coordinates.
  platform::Point origin();
  /// Sets the origin (the screens service reads the monitors and keeps it current).
  void setOrigin(platform::Point origin);

 private:
  X11Connection() = default;
  std::recursive_mutex mutex_;
  Display* display_ = nullptr;
  WindowId root_ = 0;
  std::mutex originMutex_;
  platform::Point origin_;
};

}  // namespace parlevox::x11
