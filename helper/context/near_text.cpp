// The near walk: siblings of the field and of each ancestor, nearest first, under budgets, an
// element limit and a deadline.
#include "helper/context/near_text.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "helper/context/ax_read.h"
#include "helper/context/geometry.h"
#include "helper/core/characters.h"
#include "helper/core/white_space.h"
#include "helper/platform/text.h"

namespace parlevox {

using platform::utf8FromUtf16;
namespace {

enum NearEntry { kRole, kSubrole, kValue, kTitle, kPosition, kSize, kChildren, kClasses };
enum FocusEntry {
  kFocusRole,
  kFocusSubrole,
  kFocusWindow,
  kFocusPosition,
  kFocusSize,
  kFocusParent
};
enum LevelEntry { kLevelChildren, kLevelClasses, kLevelRole, kLevelParent };

constexpr std::int64_t classContextLimit = 160;
constexpr std::size_t classContextEntries = 3;

using ClassContext = std::vector<std::string>;

bool is(const std::u16string* text, std::string_view ascii) {
  return text && std::equal(text->begin(), text->end(), ascii.begin(), ascii.end());
}

// The element's CSS classes joined by single spaces and cut, when there are any.
std::optional<std::string> classEntry(const std::optional<AXValue>& value) {
  const auto* list = valueAs<std::vector<std::u16string>>(value);
  if (!list) return std::nullopt;
  std::u16string joined;
  for (std::size_t i = 0; i < list->size(); ++i) {
    if (i > 0) joined += u' ';
    joined += (*list)[i];
    // Nothing past the cut is kept, and text added later never moves an earlier character
    // boundary: stop joining a long list once the cut is reached.
    if (joined.size() > classContextLimit && hasMoreCharactersThan(joined, classContextLimit))
      break;
  }
  if (joined.empty()) return std::nullopt;
  return utf8FromUtf16(firstCharacters(joined, classContextLimit));
}

struct NearWalk {
  platform::Accessibility& ax;
  Deadline deadline;
  std::int64_t budget[2];  // below, above
  std::int64_t taken[2] = {0, 0};
  std::int64_t visited = 0;
  nlohmann::json items[2] = {nlohmann::json::array(), nlohmann::json::array()};

  // Stops that hold for the rest of the direction once they hold.
  bool over(bool isAbove) const {
    return taken[isAbove] >= budget[isAbove] || visited > nearMaxElements || deadline.passed();
  }

  void visit(const Element& element, bool isAbove, int depth, const ClassContext& context) {
    if (over(isAbove) || depth > nearMaxDepth) return;
    ++visited;
    const auto values =
        axValues(ax, element, {std::begin(nearAttributes), std::end(nearAttributes)});
    const auto* role = valueAs<std::u16string>(values[kRole]);

    ClassContext own;
    const ClassContext* ctx = &context;
    if (auto entry = classEntry(values[kClasses])) {
      own.push_back(std::move(*entry));
      for (std::size_t i = 0; i < context.size() && own.size() < classContextEntries; ++i)
        own.push_back(context[i]);
      ctx = &own;
    }

    if (is(role, "AXSecureTextField") ||
        is(valueAs<std::u16string>(values[kSubrole]), "AXSecureTextField"))
      return;
    static const std::vector<Element> none;
    const auto* listed = valueAs<std::vector<Element>>(values[kChildren]);
    const auto& children = listed ? *listed : none;

    const bool leaf = is(role, "AXStaticText") || is(role, "AXTextArea") || is(role, "AXTextField");
    const bool linkOrHeading = is(role, "AXHeading") || is(role, "AXLink");
    if (leaf || (linkOrHeading && children.empty())) {
      takeText(values, role, isAbove, *ctx);
      if (leaf) return;
    }
    auto step = [&](const Element& child) {
      if (over(isAbove)) return false;
      visit(child, isAbove, depth + 1, *ctx);
      return true;
    };
    if (isAbove) {
      for (auto it = children.rbegin(); it != children.rend() && step(*it); ++it) {
      }
    } else {
      for (auto it = children.begin(); it != children.end() && step(*it); ++it) {
      }
    }
  }

  void takeText(const std::vector<std::optional<AXValue>>& values, const std::u16string* role,
                bool isAbove, const ClassContext& context) {
    std::u16string_view text;
    if (const auto* value = valueAs<std::u16string>(values[kValue]))
      text = *value;
    else if (const auto* title = valueAs<std::u16string>(values[kTitle]))
      text = *title;
    text = trimWhiteSpace(text);
    if (!hasMoreCharactersThan(text, 1)) return;
    // Of a long text, the end nearest the field.
    if (hasMoreCharactersThan(text, nearItemLimit))
      text = isAbove ? lastCharacters(text, nearItemLimit) : firstCharacters(text, nearItemLimit);
    nlohmann::json item{{"t", utf8FromUtf16(text)}, {"role", role ? utf8FromUtf16(*role) : ""}};
    if (!context.empty()) item["cls"] = context;
    if (const auto frame = frameOf(values[kPosition], values[kSize])) item.update(rectJSON(*frame));
    items[isAbove].push_back(std::move(item));
    taken[isAbove] += characterCount(text);
  }
};

}  // namespace

std::int64_t aboveBudget(std::int64_t maxChars) {
  if (maxChars <= 0) return 0;
  const std::int64_t half = maxChars / 2;
  return maxChars > std::numeric_limits<std::int64_t>::max() - half
             ? std::numeric_limits<std::int64_t>::max()
             : maxChars + half;
}

std::int64_t belowBudget(std::int64_t maxChars) {
  return std::clamp<std::int64_t>(maxChars / 3, 0, 2000);
}

nlohmann::json nearText(platform::Accessibility& ax, bool trusted, std::optional<std::int32_t> pid,
                        std::int64_t maxChars, const Clock& clock) {
  if (!trusted) return {{"ok", false}, {"error", "no_accessibility"}};
  if (!pid) return {{"ok", false}, {"error", "no_app"}};
  nlohmann::json reply{{"ok", true}};
  // Reads through the application element carry its messaging timeout, as in "context", so
  // that an unresponsive application cannot hold a read far past the deadline.
  const Element app = ax.application(*pid);
  ax.setMessagingTimeout(app, nearMessagingTimeoutSeconds);
  const auto focused = elementOf(axValue(ax, app, "AXFocusedUIElement"));
  const auto focus =
      focused ? axValues(ax, *focused,
                         {"AXRole", "AXSubrole", "AXWindow", "AXPosition", "AXSize", "AXParent"})
              : std::vector<std::optional<AXValue>>();
  if (!focused || is(valueAs<std::u16string>(focus[kFocusRole]), "AXSecureTextField") ||
      is(valueAs<std::u16string>(focus[kFocusSubrole]), "AXSecureTextField")) {
    reply["above"] = nlohmann::json::array();
    reply["below"] = nlohmann::json::array();
    return reply;
  }

  NearWalk walk{
      ax, Deadline::after(clock, nearDeadlineMs), {belowBudget(maxChars), aboveBudget(maxChars)}};
  const auto window = elementOf(focus[kFocusWindow]);
  if (const auto frame = frameOf(focus[kFocusPosition], focus[kFocusSize]))
    reply["field"] = rectJSON(*frame);

  Element current = *focused;
  auto parentValue = focus[kFocusParent];
  for (int level = 0; level < nearMaxLevels;) {
    if (walk.deadline.passed() || walk.taken[true] >= walk.budget[true]) break;
    const auto parent = elementOf(parentValue);
    if (!parent) break;
    const auto up = axValues(ax, *parent, {"AXChildren", "AXDOMClassList", "AXRole", "AXParent"});
    ++level;
    static const std::vector<Element> none;
    const auto* listed = valueAs<std::vector<Element>>(up[kLevelChildren]);
    const auto& siblings = listed ? *listed : none;
    const auto at = std::find(siblings.begin(), siblings.end(), current);
    if (at != siblings.end()) {
      ClassContext context;
      if (auto entry = classEntry(up[kLevelClasses])) context.push_back(std::move(*entry));
      for (auto it = std::make_reverse_iterator(at); it != siblings.rend() && !walk.over(true);
           ++it)
        walk.visit(*it, true, 0, context);
      for (auto it = std::next(at); it != siblings.end() && !walk.over(false); ++it)
        walk.visit(*it, false, 0, context);
    }
    const auto* role = valueAs<std::u16string>(up[kLevelRole]);
    if ((window && *parent == *window) || is(role, "AXWindow") || is(role, "AXApplication")) break;
    current = *parent;
    parentValue = up[kLevelParent];
  }
  reply["above"] = std::move(walk.items[true]);
  reply["below"] = std::move(walk.items[false]);
  return reply;
}

}  // namespace parlevox
