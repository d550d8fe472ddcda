// Posting one synthetic key press, marked so that the helper's own tap lets it pass.
#include "helper/output/post_key.h"

#include <chrono>
#include <thread>

#include "helper/platform/key_codes.h"

namespace parlevox {

bool postKey(platform::EventSystem& events, std::uint16_t keyCode, std::uint64_t flags,
             platform::TapLocation tap, std::uint32_t gapMicros) {
  auto down = events.createKeyboardEvent(keyCode, true);
  auto up = events.createKeyboardEvent(keyCode, false);
  if (!down || !up) return false;
  for (auto* e : {&*down, &*up}) {
    e->flags = flags;
    e->userData = platform::syntheticMark;
  }
  events.post(tap, *down);
  if (gapMicros != 0) std::this_thread::sleep_for(std::chrono::microseconds(gapMicros));
  events.post(tap, *up);
  return true;
}

}  // namespace parlevox
