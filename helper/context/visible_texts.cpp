// The bounded walk over the visible texts of an element tree.
#include "helper/context/visible_texts.h"

#include <algorithm>

#include "helper/context/text_windows.h"
#include "helper/core/characters.h"
#include "helper/core/white_space.h"

namespace parlevox {
namespace {

enum WalkEntry { kRole, kSubrole, kValue, kTitle, kPosition, kSize, kChildren };
enum ClipEntry { kClipRole, kClipPosition, kClipSize, kClipParent };

// A long text counts as partly scrolled only above this many characters.
constexpr std::int64_t longText = 300;

bool is(const std::u16string* text, std::string_view ascii) {
  return text && std::equal(text->begin(), text->end(), ascii.begin(), ascii.end());
}

// The role as the geometry expects it; roles are ASCII names, anything else matches none.
std::string roleName(const std::u16string* role) {
  std::string name;
  if (!role) return name;
  for (const char16_t c : *role) {
    if (c >= 0x80) return {};
    name.push_back(static_cast<char>(c));
  }
  return name;
}

struct Walk {
  ElementReads& reads;
  std::int64_t remaining;
  std::int64_t maxElements;
  const std::optional<Element>& skip;
  const Deadline& deadline;
  CollectedTexts result;

  // Monotone stops: once true they stay true for the rest of the walk.
  bool over() const { return remaining < 1 || result.visited > maxElements || deadline.passed(); }

  void visit(const Element& element, int depth, const Rect& clip) {
    if (over() || depth > maxWalkDepth || (skip && element == *skip)) return;
    ++result.visited;
    ElementReads::Values scratch;
    const auto& values = reads.of(element, scratch);
    const auto* role = valueAs<std::u16string>(values[kRole]);
    if (is(role, secureRole) || is(valueAs<std::u16string>(values[kSubrole]), secureRole)) return;
    const auto frame = frameOf(values[kPosition], values[kSize]);
    if (whollyAway(frame, clip)) return;
    if (role && std::any_of(std::begin(textRoles), std::end(textRoles),
                            [&](auto name) { return is(role, name); }))
      takeText(element, values, frame, clip);
    const auto* children = valueAs<std::vector<Element>>(values[kChildren]);
    if (!children) return;
    const Rect inner = clipForChildren(roleName(role), frame, clip);
    // `values` outlives the loop: kept entries are never removed, others live in `scratch`.
    for (const auto& child : *children) {
      if (over()) break;
      visit(child, depth + 1, inner);
    }
  }

  void takeText(const Element& element, const ElementReads::Values& values,
                const std::optional<Rect>& frame, const Rect& clip) {
    Rect visible = clip;
    if (clip.isInfinite()) {
      if (frame) visible = *frame;
    } else if (frame) {
      const auto part = visiblePart(*frame, clip);
      if (!part) return;
      visible = *part;
    }
    std::u16string_view text;
    if (const auto* value = valueAs<std::u16string>(values[kValue]))
      text = *value;
    else if (const auto* title = valueAs<std::u16string>(values[kTitle]))
      text = *title;
    std::u16string cut;
    if (frame && hasMoreCharactersThan(text, longText) && partlyShown(*frame, visible)) {
      cut = visibleText(reads.accessibility(), element, text, *frame, visible);
      text = cut;
    }
    text = trimWhiteSpace(text);
    if (!hasMoreCharactersThan(text, 1)) return;
    const auto piece = firstCharacters(text, remaining);
    const auto count = characterCount(piece);
    result.texts.emplace_back(piece);
    result.characters += count;
    remaining -= count;
  }
};

}  // namespace

CollectedTexts collectTexts(ElementReads& walkReads, const Element& root, const Rect& clip,
                            std::int64_t maxChars, std::int64_t maxElements,
                            const std::optional<Element>& skip, const Deadline& deadline) {
  Walk walk{walkReads, maxChars, maxElements, skip, deadline, {}};
  walk.visit(root, 0, clip);
  return std::move(walk.result);
}

Rect clipOf(ElementReads& clipReads, const Element& element, const Element& window,
            const Rect& windowClip, const Deadline& deadline) {
  Rect clip = windowClip;
  Element node = element;
  for (int i = 0; i < 40 && node != window && !deadline.passed(); ++i) {
    ElementReads::Values scratch;
    const auto& values = clipReads.of(node, scratch);
    clip = clipForChildren(roleName(valueAs<std::u16string>(values[kClipRole])),
                           frameOf(values[kClipPosition], values[kClipSize]), clip);
    const auto parent = elementOf(values[kClipParent]);
    if (!parent) break;
    node = *parent;
  }
  return clip;
}

std::u16string visibleText(platform::Accessibility& ax, const Element& element,
                           std::u16string_view text, const Rect& frame, const Rect& visible) {
  const auto n = static_cast<std::int64_t>(text.size());
  const auto shown = axValue(ax, element, "AXVisibleCharacterRange");
  if (const auto* range = valueAs<platform::AXRange>(shown);
      range && range->location >= 0 && range->length > 0 && range->length <= n - range->location &&
      range->length < n)
    return wholeWords(text, {range->location, range->location + range->length});
  return wholeWords(text, visibleCharacters(n, frame, visible));
}

}  // namespace parlevox
