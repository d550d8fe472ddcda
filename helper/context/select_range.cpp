// Selecting a range of the focused field, checking its text first and confirming the selection.
#include "helper/context/select_range.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "helper/context/ax_read.h"
#include "helper/core/run_loop.h"
#include "helper/platform/text.h"

namespace parlevox {
namespace {

nlohmann::json failure(const char* error) {
  return {{"ok", false}, {"error", error}};
}

}  // namespace

WorkerClock realWorkerClock() {
  return {monotonicMs, [](double ms) {
            std::this_thread::sleep_for(
                std::chrono::microseconds(static_cast<std::int64_t>(ms * 1000)));
          }};
}

nlohmann::json selectRange(platform::Accessibility& ax, const SelectRangeRequest& request,
                           const WorkerClock& clock) {
  std::optional<Element> element;
  if (!request.pid)
    element = focusedElement(ax);
  else if (*request.pid >= INT32_MIN && *request.pid <= INT32_MAX)  // else no process has it
    element = focusedElement(ax, static_cast<std::int32_t>(*request.pid));
  if (!element || isSecure(ax, *element)) return failure("no_field");

  if (request.expect) {
    // A range that cannot be read is selected without the check.
    auto current = axString(ax, *element, request.location, request.length);
    if (current && *current != platform::utf16FromUtf8(*request.expect)) return failure("text_differs");
  }

  const platform::AXRange wanted{request.location, request.length};
  if (ax.setAttributeValue(*element, "AXSelectedTextRange", wanted) != platform::kAXSuccess)
    return failure("not_settable");

  const double deadline = clock.now() + kSelectConfirmMs;
  for (;;) {
    const auto range = axValue(ax, *element, "AXSelectedTextRange");
    if (const auto* applied = valueAs<platform::AXRange>(range); applied && *applied == wanted) {
      nlohmann::json result{{"ok", true}};
      auto text = stringOf(axValue(ax, *element, "AXSelectedText"));
      if (!text) text = axString(ax, *element, request.location, request.length);
      if (text) result["text"] = platform::utf8FromUtf16(*text);
      return result;
    }
    if (clock.now() >= deadline) return failure("not_applied");
    clock.sleep(kSelectPollMs);
  }
}

}  // namespace parlevox
