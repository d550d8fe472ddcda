// Points, sizes and rectangles in global top-left screen points, with the window system's
// semantics for the null rectangle (no area at all) and the infinite one (no limit).
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace parlevox::platform {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

/// A rectangle as origin and size. Read-outs work on the standardized rectangle (negative sizes
/// flipped). The null rectangle has an infinite origin; the infinite one spans every coordinate.
struct Rect {
  double x = 0, y = 0, w = 0, h = 0;

  static constexpr Rect null() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    return {inf, inf, 0, 0};
  }
  static constexpr Rect infinite() {
    constexpr double big = std::numeric_limits<double>::max();
    return {-big / 2, -big / 2, big, big};
  }

  bool isNull() const { return std::isinf(x) && x > 0 && std::isinf(y) && y > 0; }
  bool isInfinite() const { return *this == infinite(); }
  double minX() const { return w < 0 ? x + w : x; }
  double minY() const { return h < 0 ? y + h : y; }
  double maxX() const { return w < 0 ? x : x + w; }
  double maxY() const { return h < 0 ? y : y + h; }
  double width() const { return std::fabs(w); }
  double height() const { return std::fabs(h); }

  /// The common part; null when the two do not overlap (touching edges do not overlap).
  Rect intersection(const Rect& o) const {
    if (isNull() || o.isNull()) return null();
    if (isInfinite()) return o.standardized();
    if (o.isInfinite()) return standardized();
    const double x0 = std::max(minX(), o.minX()), y0 = std::max(minY(), o.minY());
    const double x1 = std::min(maxX(), o.maxX()), y1 = std::min(maxY(), o.maxY());
    if (x1 < x0 || y1 < y0) return null();
    return {x0, y0, x1 - x0, y1 - y0};
  }
  /// The bounding box of both; a null operand is ignored.
  Rect unionWith(const Rect& o) const {
    if (isNull()) return o.standardized();
    if (o.isNull()) return standardized();
    if (isInfinite() || o.isInfinite()) return infinite();
    const double x0 = std::min(minX(), o.minX()), y0 = std::min(minY(), o.minY());
    const double x1 = std::max(maxX(), o.maxX()), y1 = std::max(maxY(), o.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
  }
  /// Whether the two share area; false when either is null.
  bool intersects(const Rect& o) const {
    const Rect common = intersection(o);
    return !common.isNull() && common.w > 0 && common.h > 0;
  }
  Rect standardized() const {
    if (isNull() || isInfinite()) return *this;
    return {minX(), minY(), width(), height()};
  }
  bool operator==(const Rect&) const = default;
};

}  // namespace parlevox::platform
