// Simulated screens: the scenario's displays in the window system's bottom-left coordinates.
#include "helper/platform/sim/sim_screens.h"

namespace parlevox::sim {
namespace {

// {"x", "y", "width", "height"}, all required; a size may be 0 but never negative.
platform::ScreenRect rectAt(const ScenarioReader& screen, const char* key) {
  auto r = screen.object(key);
  r.onlyKeys({"x", "y", "width", "height"});
  for (const char* part : {"x", "y", "width", "height"}) r.require(part);
  platform::ScreenRect rect{r.number("x", 0), r.number("y", 0), r.number("width", 0),
                            r.number("height", 0)};
  if (rect.width < 0) r.fail("width", "0 or more");
  if (rect.height < 0) r.fail("height", "0 or more");
  return rect;
}

}  // namespace

void SimScreens::load(const ScenarioReader& scenario) {
  const auto& screens = scenario.array("screens");
  for (std::size_t i = 0; i < screens.size(); ++i) {
    auto s = scenario.element("screens", i);
    s.onlyKeys({"frame", "safeAreaTop", "auxiliaryTopLeftArea", "auxiliaryTopRightArea"});
    s.require("frame");
    platform::Screen screen;
    screen.frame = rectAt(s, "frame");
    screen.safeAreaTopInset = s.number("safeAreaTop", 0);
    if (screen.safeAreaTopInset < 0) s.fail("safeAreaTop", "0 or more");
    if (s.has("auxiliaryTopLeftArea"))
      screen.auxiliaryTopLeftArea = rectAt(s, "auxiliaryTopLeftArea");
    if (s.has("auxiliaryTopRightArea"))
      screen.auxiliaryTopRightArea = rectAt(s, "auxiliaryTopRightArea");
    screens_.push_back(screen);
  }
}

}  // namespace parlevox::sim
