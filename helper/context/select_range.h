// Selecting a range of the focused field, checking its text first and confirming the selection.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "helper/platform/accessibility.h"

namespace parlevox {

/// How long `selectRange` waits for the application to report the new selection, and how long it
/// sleeps between looks.
inline constexpr double kSelectConfirmMs = 500;
inline constexpr double kSelectPollMs = 20;

struct SelectRangeRequest {
  std::optional<std::int64_t> pid;        // none: the frontmost application
  std::int64_t location = 0, length = 0;  // UTF-16 units
  std::optional<std::string> expect;      // the text the range must still hold
};

/// The clock of a background worker: the time in milliseconds, and a sleep that blocks it.
struct WorkerClock {
  std::function<double()> now;
  std::function<void(double ms)> sleep;
};
/// The monotonic clock and a real sleep.
WorkerClock realWorkerClock();

/// Selects the range in the focused element of the application (or of the frontmost one) and
/// confirms it within 0.5 s: {"ok": true, "text"?: the selected text} or {"ok": false, "error":
/// "no_field" | "text_differs" | "not_settable" | "not_applied"}. Blocks its thread; for a
/// background worker.
nlohmann::json selectRange(platform::Accessibility& ax, const SelectRangeRequest& request,
                           const WorkerClock& clock);

}  // namespace parlevox
