// What the user is typing into: the focused field's value, caret, selection and the text
// around it ("focusedState"), and the focused value alone ("focusedValue").
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <vector>

#include "helper/platform/accessibility.h"

namespace parlevox {

/// The reply for the focused element of `pid`'s application, or of the frontmost one without
/// a pid: {"ok": true, "value" (its last `maxChars` characters), "pid", "frontPid", "length",
/// and "caret"/"selected" when the selection reads, "textBefore"/"textAfter" when `around`
/// holds two counts}; {"ok": false, "error": "no_value", "frontPid"} for no element, a password
/// field or a value that is not text.
nlohmann::json focusedState(platform::Accessibility& ax, std::optional<std::int32_t> pid,
                            std::int64_t maxChars,
                            const std::optional<std::vector<std::int64_t>>& around,
                            std::int32_t frontPid);

/// {"ok": true, "value": the focused value's last `maxChars` characters, "pid"}, or
/// {"ok": false, "error": "no_value"}. Trust is checked by the caller.
nlohmann::json focusedValue(platform::Accessibility& ax, std::int64_t maxChars);

}  // namespace parlevox
