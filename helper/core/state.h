// The helper's process-wide state, grouped by owner, with its values at start; owned and touched
// by the main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "helper/core/command.h"
#include "helper/core/key_gate.h"
#include "helper/core/rect.h"
#include "helper/core/run_loop.h"
#include "helper/platform/events.h"
#include "helper/platform/pasteboard.h"

namespace parlevox {

/// The user's own presses (never the helper's) that reached an application, as the event tap saw
/// them: key presses with Command (a copy or a cut writes the pasteboard) and mouse presses (a
/// menu's Copy). Counters only grow; a copy the helper asks for compares them before and after.
struct UserPresses {
  std::uint64_t shortcuts = 0, clicks = 0;
  bool operator==(const UserPresses&) const = default;
};

/// The event tap and what it decides for each key: configuration, arming and the keys held.
struct KeyboardState {
  bool keysWanted = true;  // false with --no-keys
  bool eventTap = false;   // whether the session tap exists; once created it is kept for life
  std::optional<bool> lastSecureInput;

  std::set<std::string> watchedModifiers{"LeftOption", "LeftShift", "LeftControl", "LeftCommand"};
  std::vector<SwallowRule> swallowRules{{"Space", {"LeftOption"}}};
  bool armed = false;
  double armedAt = 0;
  double captureAfterMs = 0;

  /// Modifier keys and watched mouse buttons held now.
  std::set<std::string> heldModifiers;
  /// Watched mouse buttons whose press was swallowed; their release is swallowed too.
  std::set<std::int64_t> swallowedMouseButtons;
  KeyGate keyGate;
  /// The presses the event system was last told it may have to swallow.
  platform::SwallowNeeds swallowNeedsTold;
  /// Processes already asked to make their fields readable.
  std::set<std::int32_t> readableAsked;
  UserPresses userPresses;
};

/// Typing detection (bursts of the user's own typing) and the typing speed.
struct TypingState {
  double typingAfterMs = 0;
  std::vector<double> typingMarks;
  std::int64_t typingNextMark = 0;
  double typingGapMs = 3000;
  double typingStart = 0, typingLast = 0;
  std::int32_t typingPid = 0;
  bool typingReported = false;

  bool typingStats = false;
  double speedGapMs = 2000;
  std::int64_t speedReportEvery = 10;
  double speedLast = 0, speedMs = 0;
  std::int64_t speedKeys = 0, speedBack = 0;
};

/// Space hold-back: the press held back for a chord, and when the last Space went through.
struct SpaceHoldState {
  std::optional<platform::InputEvent> heldPress;
  double heldPressAt = 0;
  std::optional<RunLoop::TimerId> heldPressTimer;
  std::optional<double> spaceSentAt;
};

/// Own-click capture: the application's element and the buttons whose press was captured.
struct OwnClickState {
  bool on = false;
  std::optional<Rect> rect;
  std::set<std::int64_t> pressed;
};

/// Output-volume ducking: the volume found and the volume set, while ducked.
struct DuckingState {
  std::optional<float> duckedFrom, duckedTo;
};

/// Every item of the pasteboard, in order, each with every type it had data for (in the order
/// the item declared them) and that data byte for byte.
struct SavedPasteboard {
  std::vector<platform::PasteboardItemData> items;
  bool operator==(const SavedPasteboard&) const = default;
};

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

/// The user's pasteboard around copies the helper asks for: those not seen landing yet.
struct PasteboardState {
  int pendingCopies = 0;  // copy shortcuts sent whose copy has not been seen yet
  std::optional<LateCopyWatch> lateCopy;
};

struct HelperState {
  KeyboardState keyboard;
  TypingState typing;
  SpaceHoldState spaceHold;
  OwnClickState ownClicks;
  DuckingState ducking;
  PasteboardState pasteboard;
};

}  // namespace parlevox
