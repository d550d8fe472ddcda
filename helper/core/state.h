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

namespace parlevox {

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
  /// Processes already asked to make their fields readable.
  std::set<std::int32_t> readableAsked;
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

struct HelperState {
  KeyboardState keyboard;
  TypingState typing;
  SpaceHoldState spaceHold;
  OwnClickState ownClicks;
  DuckingState ducking;
};

}  // namespace parlevox
