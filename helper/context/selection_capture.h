// The user's selection in the frontmost application: read through accessibility, or copied
// through the pasteboard when the application does not expose it.
#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>

namespace parlevox {

struct Helper;

/// The selection reply: {"ok": true, "app", "editable", "text", and "secure" and "role" when an
/// element has focus, "via": "ax" or "copy" when "text" is not empty}, or {"ok": false,
/// "error": "no_accessibility"}. A password field gives "" and is sent no keys. With `allowCopy`
/// an application that exposes no selected text is sent the copy shortcut (see
/// `copySelection`), and `reply` runs after the wait for the copy, on the main thread.
void captureSelection(Helper& h, bool allowCopy, std::function<void(nlohmann::json)> reply);

}  // namespace parlevox
