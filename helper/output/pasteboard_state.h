// What the helper keeps between commands about the user's pasteboard: copies it asked for that
// have not landed yet.
#pragma once

#include <cstdint>
#include <optional>

#include "helper/core/run_loop.h"
#include "helper/keyboard/user_presses.h"
#include "helper/output/saved_pasteboard.h"

namespace parlevox {

/// The pasteboard as it was before a copy shortcut whose copy had not landed when the wait for
/// it ended, kept for a short grace period so that a late copy can still be undone.
struct LateCopyWatch {
  SavedPasteboard saved;
  std::int64_t changeCount = 0;           // the pasteboard's count when it was saved
  std::optional<std::int64_t> changedTo;  // its count after the first change seen since
  UserPresses presses;                    // the user's presses when the shortcut was sent
  double endsAt = 0;                      // the loop's clock
  std::optional<RunLoop::TimerId> timer;
};

struct PasteboardState {
  int pendingCopies = 0;  // copy shortcuts sent whose copy has not been seen yet
  std::optional<LateCopyWatch> lateCopy;
};

}  // namespace parlevox
