// The title of an application's focused window.
#include "helper/context/window_title.h"

#include "helper/context/ax_read.h"
#include "helper/context/browser_page.h"

namespace parlevox {

std::u16string focusedWindowTitle(platform::Accessibility& ax, std::int32_t pid) {
  const Element app = ax.application(pid);
  ax.setMessagingTimeout(app, pageMessagingTimeoutSeconds);
  const auto window = elementOf(axValue(ax, app, "AXFocusedWindow"));
  if (!window) return {};
  ax.setMessagingTimeout(*window, pageMessagingTimeoutSeconds);
  return stringOf(axValue(ax, *window, "AXTitle")).value_or(std::u16string());
}

}  // namespace parlevox
