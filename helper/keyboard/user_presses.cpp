// Counting the user's own presses that may have written the pasteboard: key presses with Command
// and mouse presses that reached an application.
#include "helper/keyboard/user_presses.h"

#include "helper/platform/key_codes.h"

namespace parlevox {

void noteUserPress(UserPresses& presses, const platform::InputEvent& event) {
  if (event.userData == platform::syntheticMark) return;
  switch (event.type) {
    case platform::kKeyDown:
      if (event.flags & platform::kCommandFlag) ++presses.shortcuts;
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
