// Pasting into an application: bring it to the front, then press Command+V there.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace parlevox {

struct Helper;

/// Brings the application with `pid` to the front (none, or a pid of 0 or less: whatever is in
/// front stays there) and presses Command+V on the key that types "v" with Command held in the
/// current layout. The pasteboard is neither read nor written. `reply` gets {"ok": true, "app":
/// the frontmost application afterwards} or {"ok": false, "error": "no_accessibility" |
/// "activate_failed" | "no_v_key" | "event_failed"}, on the main thread, once the activation
/// wait (up to 0.4 s, on main-loop timers) is over.
void paste(Helper& h, std::optional<std::int64_t> pid, std::function<void(nlohmann::json)> reply);

}  // namespace parlevox
