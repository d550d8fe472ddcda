// The texts on screen below an element: the bounded depth-first walk, the clip an element is
// seen under, and long texts cut down to their visible words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helper/context/deadline.h"
#include "helper/context/element_reads.h"
#include "helper/context/geometry.h"

namespace parlevox {

/// The attributes the walk reads of every element it visits, in one batched read.
inline constexpr std::string_view walkAttributes[] = {
    "AXRole", "AXSubrole", "AXValue", "AXTitle", "AXPosition", "AXSize", "AXChildren"};
/// The attributes `clipOf` reads of every ancestor, in one batched read.
inline constexpr std::string_view clipAttributes[] = {"AXRole", "AXPosition", "AXSize", "AXParent"};
/// Only elements with these roles contribute text.
inline constexpr std::string_view textRoles[] = {"AXStaticText", "AXTextArea", "AXTextField",
                                                 "AXHeading", "AXLink"};
/// The deepest level the walk descends to below its root.
inline constexpr int maxWalkDepth = 40;

/// The reads of one capture: the walk's and the clip's, each element asked once.
struct CaptureReads {
  explicit CaptureReads(platform::Accessibility& ax)
      : walk(ax, {std::begin(walkAttributes), std::end(walkAttributes)}),
        clip(ax, {std::begin(clipAttributes), std::end(clipAttributes)}) {}
  ElementReads walk;
  ElementReads clip;
};

struct CollectedTexts {
  std::vector<std::u16string> texts;
  std::int64_t characters = 0;  // user-perceived characters in all texts together
  std::int64_t visited = 0;     // elements visited, their text taken or not
};

/// The visible texts below `root` in document order, depth first, within `clip`: at most
/// `maxChars` characters (the last text cut at the budget), at most `maxElements` + 1 elements
/// visited, none deeper than `maxWalkDepth`, none of `skip`'s subtree or a password field's, no
/// subtree wholly outside the clip, and nothing read once `deadline` has passed.
CollectedTexts collectTexts(ElementReads& walkReads, const Element& root, const Rect& clip,
                            std::int64_t maxChars, std::int64_t maxElements,
                            const std::optional<Element>& skip, const Deadline& deadline);

/// The clip under which `element` of `window` is seen: `windowClip` narrowed by the element
/// itself and each of its ancestors below the window (at most 40) that clips its children.
Rect clipOf(ElementReads& clipReads, const Element& element, const Element& window,
            const Rect& windowClip, const Deadline& deadline);

/// The words of a long, partly scrolled text that are on screen: by the element's visible
/// character range when it tells a proper part of the text, else estimated from the geometry.
std::u16string visibleText(platform::Accessibility& ax, const Element& element,
                           std::u16string_view text, const Rect& frame, const Rect& visible);

}  // namespace parlevox
