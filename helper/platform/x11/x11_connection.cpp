// One shared connection to the X server: window properties, the window manager's lists and the
// origin of global coordinates, safe to use from any thread.
#include "helper/platform/x11/x11_connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace parlevox::x11 {
namespace {

// Errors about windows that went away between two requests are ordinary here: each read then
// reports nothing. Xlib's default handler would end the process.
int ignoreErrors(Display*, XErrorEvent*) {
  return 0;
}

// The server cannot be reached any more: nothing sensible is left to do.
int connectionLost(Display*) {
  std::_Exit(1);
}

}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(std::string& error) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    error = "no X display: DISPLAY is not set";
    return nullptr;
  }
  XInitThreads();
  Display* display = XOpenDisplay(name);
  if (!display) {
    error = std::string("cannot open the X display ") + name;
    return nullptr;
  }
  XSetErrorHandler(ignoreErrors);
  XSetIOErrorHandler(connectionLost);
  std::unique_ptr<X11Connection> connection(new X11Connection);
  connection->display_ = display;
  connection->root_ = DefaultRootWindow(display);
  return connection;
}

X11Connection::~X11Connection() {
  if (display_) XCloseDisplay(display_);
}

unsigned long X11Connection::atom(const char* name) {
  auto held = lock();
  return XInternAtom(display_, name, False);
}

std::vector<unsigned long> X11Connection::cardinals(WindowId window, const char* property) {
  auto held = lock();
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display_, window, XInternAtom(display_, property, False), 0, 1 << 16,
                         False, AnyPropertyType, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 32) {
    // Xlib hands 32-bit items over as longs.
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    values.assign(items, items + count);
  }
  if (data) XFree(data);
  return values;
}

std::optional<std::string> X11Connection::text(WindowId window, const char* property) {
  auto held = lock();
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<std::string> value;
  if (XGetWindowProperty(display_, window, XInternAtom(display_, property, False), 0, 1 << 16,
                         False, AnyPropertyType, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 8)
    value.emplace(reinterpret_cast<const char*>(data), count);
  if (data) XFree(data);
  return value;
}

std::optional<std::pair<std::string, std::string>> X11Connection::windowClass(WindowId window) {
  auto held = lock();
  XClassHint hint{};
  if (!XGetClassHint(display_, window, &hint)) return std::nullopt;
  std::pair<std::string, std::string> names(hint.res_name ? hint.res_name : "",
                                            hint.res_class ? hint.res_class : "");
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return names;
}

std::vector<WindowId> X11Connection::clientWindows() {
  return cardinals(root_, "_NET_CLIENT_LIST");
}

std::optional<WindowId> X11Connection::activeWindow() {
  const auto active = cardinals(root_, "_NET_ACTIVE_WINDOW");
  if (active.empty() || active[0] == 0) return std::nullopt;
  return active[0];
}

std::optional<std::int32_t> X11Connection::windowPid(WindowId window) {
  const auto pid = cardinals(window, "_NET_WM_PID");
  if (pid.empty() || pid[0] == 0 || pid[0] > 0x7fffffff) return std::nullopt;
  return static_cast<std::int32_t>(pid[0]);
}

std::optional<std::pair<WindowId, RootRect>> X11Connection::frameOf(WindowId window) {
  auto held = lock();
  // Up the window tree to the child of the root: the decoration frame, or the window itself.
  WindowId frame = window;
  for (int depth = 0; depth < 16; ++depth) {
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, frame, &rootReturn, &parent, &children, &count)) return std::nullopt;
    if (children) XFree(children);
    if (parent == 0 || parent == root_) break;
    frame = parent;
  }
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display_, frame, &attributes) || attributes.map_state != IsViewable)
    return std::nullopt;
  // The border belongs to the frame as drawn on screen.
  const int border = attributes.border_width;
  return std::pair{frame, RootRect{attributes.x, attributes.y, attributes.width + 2 * border,
                                   attributes.height + 2 * border}};
}

platform::Point X11Connection::origin() {
  std::lock_guard held(originMutex_);
  return origin_;
}

void X11Connection::setOrigin(platform::Point origin) {
  std::lock_guard held(originMutex_);
  origin_ = origin;
}

}  // namespace parlevox::x11
