// The displays attached to the machine, as the window system lays them out.
#pragma once

#include <optional>
#include <vector>

namespace parlevox::platform {

/// A rectangle in the window system's screen points: origin at the bottom-left corner of the
/// primary screen, y growing upwards.
struct ScreenRect {
  double x = 0, y = 0, width = 0, height = 0;
  double minX() const { return x; }
  double maxY() const { return y + height; }
  bool operator==(const ScreenRect&) const = default;
};

/// What the window system reports of one screen.
struct Screen {
  ScreenRect frame;
  /// Height of the strip at the top that windows should avoid (the camera housing); 0 when none.
  double safeAreaTopInset = 0;
  /// The usable parts of that strip left and right of the housing; absent on screens without one.
  std::optional<ScreenRect> auxiliaryTopLeftArea, auxiliaryTopRightArea;
};

class Screens {
 public:
  virtual ~Screens() = default;
  /// Every screen in the window system's order; the first is the primary screen (the one with
  /// the menu bar, whose bottom-left corner is the origin). Empty when no screen is attached.
  virtual std::vector<Screen> screens() = 0;
};

}  // namespace parlevox::platform
