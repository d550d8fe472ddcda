// Context capture: the window, its page, the focused value and the visible texts.
#include "helper/context/context_capture.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "helper/context/ax_read.h"
#include "helper/context/browser_page.h"
#include "helper/context/geometry.h"
#include "helper/context/text_windows.h"
#include "helper/context/visible_texts.h"
#include "helper/core/app_queries.h"
#include "helper/platform/text.h"

namespace parlevox {

using platform::utf8FromUtf16;
namespace {

enum FocusEntry { kWindow, kRole, kSubrole, kValue, kSelection };
enum WindowEntry { kTitle, kPosition, kSize };
enum ClipEntry { kParent = 3 };

nlohmann::json textList(const std::vector<std::u16string>& texts) {
  auto list = nlohmann::json::array();
  for (const auto& text : texts) list.push_back(utf8FromUtf16(text));
  return list;
}

bool isSecureRole(const std::optional<AXValue>& value) {
  const auto* name = valueAs<std::u16string>(value);
  return name && std::equal(name->begin(), name->end(), secureRole.begin(), secureRole.end());
}

// The clip the window's texts are judged under.
Rect windowClipOf(const std::optional<Rect>& frame, const std::vector<Rect>& displays,
                  bool everything) {
  if (everything || !frame) return Rect::infinite();
  const Rect visible = visibleWindow(*frame, displays);
  return visible.isNull() ? *frame : visible;
}

}  // namespace

nlohmann::json captureContext(platform::Accessibility& ax, const ContextRequest& request) {
  if (!request.trusted) return {{"ok", false}, {"error", "no_accessibility"}};
  if (!request.app) return {{"ok", false}, {"error", "no_app"}};
  const std::int64_t maxChars = std::max<std::int64_t>(request.maxChars, 0);
  const auto deadline = Deadline::after(request.clock, contextDeadlineMs);

  // Every element below is read through this handle, so the timeout bounds each read.
  const Element app = ax.application(request.app->pid);
  ax.setMessagingTimeout(app, contextMessagingTimeoutSeconds);
  nlohmann::json result{{"ok", true}, {"app", appRecord(request.app)}};

  const auto focused = elementOf(axValue(ax, app, "AXFocusedUIElement"));
  const auto focus =
      focused ? axValues(ax, *focused,
                         {"AXWindow", "AXRole", "AXSubrole", "AXValue", "AXSelectedTextRange"})
              : std::vector<std::optional<AXValue>>(5);
  auto window = elementOf(focus[kWindow]);
  if (!window) {
    const auto windows = axValues(ax, app, {"AXFocusedWindow", "AXMainWindow"});
    window = elementOf(windows[0]);
    if (!window) window = elementOf(windows[1]);
  }
  if (!window) return result;

  const auto shown = axValues(ax, *window, {"AXTitle", "AXPosition", "AXSize"});
  result["title"] = utf8FromUtf16(stringOf(shown[kTitle]).value_or(u""));
  if (auto page = browserPage(ax, *window, deadline); page.address)
    result["url"] = std::move(*page.address);

  const Rect windowClip =
      windowClipOf(frameOf(shown[kPosition], shown[kSize]), request.displays, request.everything);

  if (focused && !isSecureRole(focus[kRole]) && !isSecureRole(focus[kSubrole])) {
    if (const auto* value = valueAs<std::u16string>(focus[kValue])) {
      std::optional<std::int64_t> caret;
      if (const auto* range = valueAs<platform::AXRange>(focus[kSelection]))
        caret = range->location;
      const auto around = fieldAround(*value, caret, maxChars / 2);
      result["focusedValue"] = utf8FromUtf16(around.text);
      if (around.caret) result["focusedCaret"] = *around.caret;
    }
  }

  // The area: the texts of the nearest ancestor (or the focused element itself) whose visible
  // texts exceed the minimum, or of the window.
  CaptureReads reads(ax);
  CollectedTexts area;
  std::optional<Element> areaNode;
  std::optional<Element> node = focused;
  for (int level = 0; level < areaMaxLevels && node; ++level) {
    const Rect clip = request.everything ? Rect::infinite()
                                         : clipOf(reads.clip, *node, *window, windowClip, deadline);
    auto texts =
        collectTexts(reads.walk, *node, clip, maxChars, areaMaxElements, std::nullopt, deadline);
    // Past the deadline nothing more is read: what this walk found is the area.
    if (texts.characters >= areaMinCharacters || *node == *window || deadline.passed()) {
      area = std::move(texts);
      areaNode = node;
      break;
    }
    ElementReads::Values scratch;
    node = elementOf(reads.clip.of(*node, scratch)[kParent]);
  }

  // The rest walk passes no element twice: what the area walks kept is used, nothing new kept.
  reads.walk.keep(false);
  CollectedTexts rest;
  if (!(areaNode && *areaNode == *window))
    rest = collectTexts(reads.walk, *window, windowClip,
                        std::max<std::int64_t>(maxChars - area.characters, 0), restMaxElements,
                        areaNode, deadline);
  result["area"] = textList(area.texts);
  result["texts"] = textList(rest.texts);
  return result;
}

}  // namespace parlevox
