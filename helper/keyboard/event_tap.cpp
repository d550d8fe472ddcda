// The session-wide event tap: installing it, keeping it enabled, and the callback for its events.
#include "helper/keyboard/event_tap.h"

#include <nlohmann/json.hpp>

#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/held_press.h"
#include "helper/keyboard/key_report.h"
#include "helper/keyboard/key_rules.h"
#include "helper/keyboard/mouse_buttons.h"
#include "helper/keyboard/typing.h"
#include "helper/keyboard/user_presses.h"
#include "helper/platform/key_codes.h"

namespace parlevox {
namespace {

bool hasSpaceChordRule(const KeyboardState& s) {
  for (const auto& rule : s.swallowRules)
    if (rule.key == "Space" && !rule.when.empty()) return true;
  return false;
}

std::optional<platform::InputEvent> handleKey(Helper& h, platform::TapProxy proxy,
                                              const platform::InputEvent& event) {
  auto& s = h.state.keyboard;
  auto& hold = h.state.spaceHold;
  // The helper's own keystrokes pass untouched and uncounted.
  if (event.userData == platform::syntheticMark) return event;
  const std::int64_t code = event.keyCode;
  const bool isRepeat = event.autorepeat;
  const bool isDown = event.type == platform::kKeyDown;
  if (isDown && !s.armed) noteTyping(h.state.typing, *h.platform.workspace, h.now(), event);
  const auto name = platform::keyName(code);

  // A Space still held back goes first, so the application gets keystrokes in their real order.
  sendHeldPress(h, proxy);

  const bool quiet =
      !s.armed && s.heldModifiers.empty() && (event.flags & platform::kModifierFlags) == 0;
  const bool startsChord = name == "Space" && hasSpaceChordRule(s);
  if (isDown &&
      s.keyGate.holdBack(true, isRepeat, quiet, startsChord && event.swallowable, h.now()) &&
      startHeldPress(h, event))
    return std::nullopt;

  const bool ruleHolds = isDown && name && swallowRuleHolds(s, name, modifiersDown(event.flags));
  const bool reporting = s.armed || ruleHolds || watchedModifierHeld(s);
  const auto [seen, swallow] = s.keyGate.decide(code, isDown, isRepeat, reporting, [&] {
    // A press that has already reached the application is reported as let through.
    return event.swallowable && (ruleHolds || captureAllInput(s, h.now(), name));
  });

  if (code == platform::kSpaceKeyCode && !isRepeat) {
    if (isDown && !swallow)
      hold.spaceSentAt = h.now();
    else
      hold.spaceSentAt.reset();
  }
  if (seen && !isRepeat) emitKeyEvent(code, isDown, swallow, h.now(), name);
  if (swallow) return std::nullopt;
  return event;
}

platform::InputEvent handleFlagsChanged(Helper& h, platform::TapProxy proxy,
                                        const platform::InputEvent& event) {
  auto& s = h.state.keyboard;
  const platform::ModifierKey* key = platform::modifierKeyFor(event.keyCode);
  if (!key) return event;
  const std::string name(key->name);
  const bool down = (event.flags & key->mask) != 0;
  if (down && !s.heldModifiers.contains(name)) {
    s.heldModifiers.insert(name);
    modifierJoined(h, name, proxy);
    if (s.watchedModifiers.contains(name)) reportWatchedDown(h, name);
  } else if (!down && s.heldModifiers.erase(name) > 0) {
    sendHeldPress(h, proxy);
    if (s.watchedModifiers.contains(name)) emit({{"t", "up"}, {"key", name}, {"ts", h.now()}});
  }
  // Modifier changes always reach the application.
  return event;
}

}  // namespace

bool installTap(Helper& h) {
  if (h.state.keyboard.eventTap) return true;
  auto callback = [&h](platform::TapProxy proxy, const platform::InputEvent& event) {
    return handleTapEvent(h, proxy, event);
  };
  if (!h.platform.events->createTap(kTapEventMask, callback)) return false;
  h.state.keyboard.eventTap = true;
  tellSwallowNeeds(*h.platform.events, h.state.keyboard);
  return true;
}

namespace {

std::optional<platform::InputEvent> decide(Helper& h, platform::TapProxy proxy,
                                           const platform::InputEvent& event) {
  switch (event.type) {
    case platform::kTapDisabledByTimeout:
    case platform::kTapDisabledByUserInput:
      emit({{"t", "tapOff"}, {"timeout", event.type == platform::kTapDisabledByTimeout}});
      if (h.state.keyboard.eventTap) h.platform.events->enableTap();
      return event;
    case platform::kKeyDown:
    case platform::kKeyUp:
      return handleKey(h, proxy, event);
    case platform::kFlagsChanged:
      return handleFlagsChanged(h, proxy, event);
    case platform::kLeftMouseDown:
    case platform::kRightMouseDown:
      return handleMouseDown(h, proxy, event);
    case platform::kLeftMouseUp:
    case platform::kRightMouseUp:
      return handleMouseUp(h, event);
    case platform::kOtherMouseDown:
      return handleOtherMouseDown(h, proxy, event);
    case platform::kOtherMouseUp:
      return handleOtherMouseUp(h, event);
    default:
      return event;
  }
}

}  // namespace

std::optional<platform::InputEvent> handleTapEvent(Helper& h, platform::TapProxy proxy,
                                                   const platform::InputEvent& event) {
  auto out = decide(h, proxy, event);
  // What the user pressed may have written the pasteboard; copies the helper asks for take note.
  if (out) noteUserPress(h.state.keyboard.userPresses, event);
  // A watched modifier going down or up changes whether every key may be captured next.
  tellCaptureChange(*h.platform.events, h.state.keyboard);
  return out;
}

}  // namespace parlevox
