// Visibility geometry: pure decisions on rectangles, and the rect object of replies.
#include "helper/context/geometry.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "helper/platform/screens.h"

namespace parlevox {

bool isSolid(const Rect& r) {
  return !r.isNull() && r.width() >= inViewMinSize && r.height() >= inViewMinSize;
}

std::optional<Rect> visiblePart(const Rect& frame, const Rect& clip) {
  if (clip.isNull()) return std::nullopt;
  const Rect common = frame.intersection(clip);
  if (!isSolid(common)) return std::nullopt;
  return common;
}

Rect visibleWindow(const Rect& frame, const std::vector<Rect>& displays) {
  std::optional<Rect> area;
  for (const auto& display : displays)
    if (display.intersects(frame)) area = area ? area->unionWith(display) : display;
  if (!area) return Rect::null();
  return frame.intersection(*area);
}

Rect clipForChildren(std::string_view role, const std::optional<Rect>& frame, const Rect& clip) {
  if ((role == "AXScrollArea" || role == "AXWebArea") && !clip.isInfinite() && frame &&
      isSolid(*frame))
    return clip.intersection(*frame);
  return clip;
}

bool whollyAway(const std::optional<Rect>& frame, const Rect& clip) {
  if (!frame || frame->isNull() || !isSolid(*frame)) return false;
  return clip.isNull() || !frame->intersects(clip);
}

bool partlyShown(const Rect& frame, const Rect& visible) {
  return visible.height() < 0.9 * frame.height();
}

UnitRange visibleCharacters(std::int64_t length, const Rect& frame, const Rect& visible) {
  if (length < 1 || !(frame.height() > 0)) return {0, std::max<std::int64_t>(length, 0)};
  const double height = frame.height();
  const double top = std::clamp((visible.minY() - frame.minY()) / height, 0.0, 1.0);
  const double bottom = std::clamp((visible.maxY() - frame.minY()) / height, top, 1.0);
  const double margin = (bottom - top) * 0.1;
  const double n = static_cast<double>(length);
  // Both ends lie within [0, length] already; the clamps below only guard the integer casts.
  const double first = std::floor(std::max(top - margin, 0.0) * n);
  const double last = std::ceil(std::min(bottom + margin, 1.0) * n);
  const auto start = static_cast<std::int64_t>(std::clamp(first, 0.0, n));
  const auto end = static_cast<std::int64_t>(std::clamp(last, 0.0, n));
  return {std::min(start, length), std::min(std::max(start, end), length)};
}

std::optional<Rect> frameOf(const std::optional<platform::AXValue>& position,
                            const std::optional<platform::AXValue>& size) {
  if (!position || !size) return std::nullopt;
  const auto* point = std::get_if<platform::Point>(&*position);
  const auto* extent = std::get_if<platform::Size>(&*size);
  if (!point || !extent) return std::nullopt;
  return Rect{point->x, point->y, extent->width, extent->height};
}

std::vector<Rect> displayBounds(platform::Screens& screens) {
  std::vector<Rect> bounds;
  const auto all = screens.screens();
  if (all.empty()) return bounds;
  // The window system's y grows upwards from the primary screen's bottom edge; display bounds
  // grow downwards from its top edge.
  const double top = all.front().frame.maxY();
  for (const auto& screen : all) {
    const auto& f = screen.frame;
    bounds.push_back({f.minX(), top - f.maxY(), f.width, f.height});
  }
  return bounds;
}

namespace {

std::int64_t rounded(double v) {
  // Halves away from zero; a value beyond the integer range (a hostile frame) is clamped
  // rather than converted with undefined behaviour.
  const double r = std::round(v);
  if (!(r > -9.2e18)) return std::isnan(r) ? 0 : INT64_MIN;
  if (!(r < 9.2e18)) return INT64_MAX;
  return static_cast<std::int64_t>(r);
}

}  // namespace

nlohmann::json rectJSON(const Rect& r) {
  return {{"x", rounded(r.minX())},
          {"y", rounded(r.minY())},
          {"w", rounded(r.width())},
          {"h", rounded(r.height())}};
}

}  // namespace parlevox
