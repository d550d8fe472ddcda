// The X server's monitors (XRandR), primary first, as the screens service.
#include "helper/platform/x11/x11_screens.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace parlevox::x11 {

X11Screens::X11Screens(X11Connection& connection) : connection_(connection) {
  monitors();
}

std::vector<RootRect> X11Screens::monitors() {
  std::vector<RootRect> found;
  {
    auto held = connection_.lock();
    Display* display = connection_.display();
    int eventBase = 0, errorBase = 0, count = 0;
    if (XRRQueryExtension(display, &eventBase, &errorBase)) {
      XRRMonitorInfo* list = XRRGetMonitors(display, connection_.root(), True, &count);
      for (int i = 0; list && i < count; ++i) {
        RootRect r{list[i].x, list[i].y, list[i].width, list[i].height};
        if (list[i].primary)
          found.insert(found.begin(), r);
        else
          found.push_back(r);
      }
      if (list) XRRFreeMonitors(list);
    }
    if (found.empty()) {
      XWindowAttributes root{};
      if (XGetWindowAttributes(display, connection_.root(), &root))
        found.push_back({0, 0, root.width, root.height});
    }
  }
  if (!found.empty())
    connection_.setOrigin({static_cast<double>(found[0].x), static_cast<double>(found[0].y)});
  return found;
}

std::vector<platform::Screen> X11Screens::screens() {
  const auto found = monitors();
  std::vector<platform::Screen> result;
  if (found.empty()) return result;
  // Bottom-left form: the primary screen's bottom-left corner is (0, 0) and y grows upwards,
  // so a monitor's top edge lies at the primary's height minus its distance below the primary's.
  const RootRect& primary = found[0];
  for (const auto& m : found) {
    platform::Screen screen;
    screen.frame = {static_cast<double>(m.x - primary.x),
                    static_cast<double>(primary.height - (m.y - primary.y) - m.height),
                    static_cast<double>(m.width), static_cast<double>(m.height)};
    result.push_back(screen);
  }
  return result;
}

}  // namespace parlevox::x11
