// The helper's process-wide state with its values at start; owned and touched by the main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "helper/core/command.h"
#include "helper/core/rect.h"
#include "helper/core/run_loop.h"
#include "helper/keyboard/key_gate.h"
#include "helper/keyboard/user_presses.h"
#include "helper/output/pasteboard_state.h"
#include "helper/platform/events.h"

namespace parlevox {

struct HelperState {
  // Start-up flags.
  bool keysWanted = true;
  bool tapInstalled = false;

  // Keyboard configuration and runtime state.
  std::set<std::string> watchedModifiers{"LeftOption", "LeftShift", "LeftControl", "LeftCommand"};
  std::vector<SwallowRule> swallowRules{{"Space", {"LeftOption"}}};
  bool armed = false;
  double armedAt = 0;
  double captureAfterMs = 0;
  std::set<std::string> heldModifiers;
  KeyGate keyGate;
  bool eventTap = false;  // whether the session tap exists; once created it is kept for life
  std::optional<bool> lastSecureInput;

  // Typing detection and speed.
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

  std::set<std::int32_t> readableAsked;
  std::int64_t spaceCode = 49;

  // Space hold-back.
  std::optional<platform::InputEvent> heldPress;
  double heldPressAt = 0;
  std::optional<RunLoop::TimerId> heldPressTimer;
  std::optional<double> spaceSentAt;

  // Own-click capture.
  bool ownClicks = false;
  std::optional<Rect> ownRect;
  std::set<std::int64_t> ownPressed, swallowedMouseButtons;

  std::uint32_t commandModifierState = 1;

  // The user's presses that may have written the pasteboard, counted by the tap.
  UserPresses userPresses;

  // Output-volume ducking.
  std::optional<float> duckedFrom, duckedTo;

  // The user's pasteboard around copies the helper asks for.
  PasteboardState pasteboard;

  double inViewMinSize = 2.0;
};

/// The user-data value written into every keyboard event the helper posts ("Vorn").
inline constexpr std::int64_t syntheticMark = 0x566F726E;

}  // namespace parlevox
