// The user's selection in the frontmost application: read through accessibility, or copied
// through the pasteboard when the application does not expose it.
#include "helper/context/selection_capture.h"

#include <nlohmann/json.hpp>

#include "helper/context/ax_read.h"
#include "helper/core/app_queries.h"
#include "helper/core/helper.h"
#include "helper/output/copy_selection.h"
#include "helper/platform/permissions.h"
#include "helper/platform/text.h"

namespace parlevox {

void captureSelection(Helper& h, bool allowCopy, std::function<void(nlohmann::json)> reply) {
  if (!h.platform.permissions->accessibilityTrusted())
    return reply({{"ok", false}, {"error", "no_accessibility"}});
  auto& ax = *h.platform.accessibility;
  nlohmann::json result{{"ok", true}, {"app", frontmostAppInfo(h)}, {"editable", false}};
  if (auto element = focusedElement(ax)) {
    const bool secure = isSecure(ax, *element);
    result["secure"] = secure;
    result["editable"] = isEditable(ax, *element);
    result["role"] = platform::utf8FromUtf16(stringOf(axValue(ax, *element, "AXRole")).value_or(u""));
    if (secure) {
      // Nothing is read from a password field, and no copy shortcut is sent to it.
      result["text"] = "";
      return reply(std::move(result));
    }
    if (auto selected = stringOf(axValue(ax, *element, "AXSelectedText"));
        selected && !selected->empty()) {
      result["text"] = platform::utf8FromUtf16(*selected);
      result["via"] = "ax";
      return reply(std::move(result));
    }
  }
  if (!allowCopy) {
    result["text"] = "";
    return reply(std::move(result));
  }
  copySelection(h,
                [result = std::move(result), reply = std::move(reply)](std::string text) mutable {
                  if (!text.empty()) result["via"] = "copy";
                  result["text"] = std::move(text);
                  reply(std::move(result));
                });
}

}  // namespace parlevox
