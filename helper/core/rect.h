// A rectangle in global top-left screen points.
#pragma once

namespace parlevox {

struct Rect {
  double x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};

}  // namespace parlevox
