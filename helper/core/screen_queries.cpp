// The screens as the helper reports them: global top-left frames and camera-housing areas.
#include "helper/core/screen_queries.h"

#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/screens.h"

namespace parlevox {

nlohmann::json screensInfo(Helper& h) {
  auto list = nlohmann::json::array();
  if (!h.platform.screens) return list;
  const auto screens = h.platform.screens->screens();
  // The platform's y grows upwards from the primary screen's bottom edge; ours grows downwards
  // from its top edge.
  const double top = screens.empty() ? 0 : screens.front().frame.maxY();
  for (const auto& screen : screens) {
    const auto& frame = screen.frame;
    const double y = top - frame.maxY();
    nlohmann::json record{
        {"x", frame.minX()}, {"y", y}, {"width", frame.width}, {"height", frame.height}};
    const auto& left = screen.auxiliaryTopLeftArea;
    const auto& right = screen.auxiliaryTopRightArea;
    if (screen.safeAreaTopInset > 0 && left && right) {
      // The housing sits in the strip between the two usable top areas.
      const double gap = frame.width - left->width - right->width;
      if (gap > 0)
        record["notch"] = {{"x", frame.minX() + left->width},
                           {"y", y},
                           {"width", gap},
                           {"height", screen.safeAreaTopInset}};
    }
    list.push_back(std::move(record));
  }
  return list;
}

void runScreens(Helper& h, const Command& c) {
  respond(c.id, {{"ok", true}, {"screens", screensInfo(h)}});
}

}  // namespace parlevox
