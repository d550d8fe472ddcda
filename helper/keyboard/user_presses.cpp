// Counting the user's own presses that may have written the pasteboard: key presses with Command
// and mouse presses that reached an application.
#include "helper/keyboard/user_presses.h"

#include "helper/core/state.h"

namespace parlevox {
namespace {

constexpr std::uint64_t kCommandFlag = 0x100000;

}  // namespace

void noteUserPress(UserPresses& presses, const platform::InputEvent& event) {
  if (event.userData == syntheticMark) return;
  switch (event.type) {
    case platform::kKeyDown:
      if (event.flags & kCommandFlag) ++presses.shortcuts;
      break;
    case platform::kLeftMouseDown:
    case platform::kRightMouseDown:
    case platform::kOtherMouseDown:
      ++presses.clicks;
      break;
    default:
      break;
  }
}

}  // namespace parlevox
