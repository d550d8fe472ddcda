// Visibility geometry: which rectangles occupy the screen, what of an element shows inside a
// clip, which containers narrow the clip, and how much of a long text is on screen.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <utility>
#include <vector>

#include "helper/core/rect.h"
#include "helper/platform/accessibility.h"
#include "helper/platform/geometry.h"

namespace parlevox {

namespace platform {
class Screens;
}

/// A rectangle narrower or lower than this does not occupy the screen (hidden placeholders).
inline constexpr double inViewMinSize = 2.0;

/// A half-open range of UTF-16 positions.
struct UnitRange {
  std::int64_t lower = 0, upper = 0;
  bool operator==(const UnitRange&) const = default;
};

/// Not null, and at least `inViewMinSize` wide and high.
bool isSolid(const Rect& r);
/// The solid part of `frame` inside `clip`; absent when the clip is null or too little shows.
std::optional<Rect> visiblePart(const Rect& frame, const Rect& clip);
/// The part of a window on the displays (the bounding box of those it touches); null when it
/// touches none.
Rect visibleWindow(const Rect& frame, const std::vector<Rect>& displays);
/// The clip for an element's children: scroll areas and web areas cut off what lies outside a
/// solid frame of theirs; every other element passes the clip on.
Rect clipForChildren(std::string_view role, const std::optional<Rect>& frame, const Rect& clip);
/// Whether an element and all of its subtree lie outside the clip. Elements without a solid
/// frame are never away.
bool whollyAway(const std::optional<Rect>& frame, const Rect& clip);
/// Whether less than nine tenths of the frame's height is visible.
bool partlyShown(const Rect& frame, const Rect& visible);
/// The UTF-16 positions of a text of `length` units spread evenly over `frame` that fall into
/// `visible`, widened by a tenth of the visible span on each side.
UnitRange visibleCharacters(std::int64_t length, const Rect& frame, const Rect& visible);
/// The frame built from "AXPosition" and "AXSize" values; absent unless they are a point and a
/// size.
std::optional<Rect> frameOf(const std::optional<platform::AXValue>& position,
                            const std::optional<platform::AXValue>& size);
/// The bounds of every display in global top-left points, primary first.
std::vector<Rect> displayBounds(platform::Screens& screens);
/// {"x", "y", "w", "h"}: each rounded to the nearest integer, halves away from zero.
nlohmann::json rectJSON(const Rect& r);

}  // namespace parlevox
