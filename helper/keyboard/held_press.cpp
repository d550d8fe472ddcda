// Space hold-back: a quiet Space press waits briefly for a modifier that makes it a chord.
#include "helper/keyboard/held_press.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/key_rules.h"
#include "helper/platform/key_codes.h"

namespace parlevox {
namespace {

void stopTimer(Helper& h) {
  auto& hold = h.state.spaceHold;
  if (hold.heldPressTimer) h.loop.cancel(*hold.heldPressTimer);
  hold.heldPressTimer.reset();
}

void emitSpaceFirst(double ms, bool kept) {
  emit({{"t", "spaceFirst"}, {"ms", static_cast<std::int64_t>(ms)}, {"kept", kept}});
}

}  // namespace

bool startHeldPress(Helper& h, const platform::InputEvent& like) {
  auto& s = h.state.spaceHold;
  auto press = h.platform.events->createKeyboardEvent(platform::kSpaceKeyCode, true);
  if (!press) return false;
  press->flags = like.flags;
  press->keyboardType = like.keyboardType;
  press->userData = platform::syntheticMark;
  s.heldPress = *press;
  s.heldPressAt = h.now();
  s.heldPressTimer = h.loop.after(KeyGate::chordWindowMs, [&h] {
    h.state.spaceHold.heldPressTimer.reset();  // it has fired; nothing is left to cancel
    sendHeldPress(h, nullptr);
  });
  return true;
}

void sendHeldPress(Helper& h, platform::TapProxy proxy) {
  auto& s = h.state.spaceHold;
  if (!s.heldPress) return;
  platform::InputEvent press = *s.heldPress;
  s.heldPress.reset();
  stopTimer(h);
  s.spaceSentAt = s.heldPressAt;
  if (proxy)
    h.platform.events->postToProxy(proxy, press);
  else
    h.platform.events->post(platform::TapLocation::session, press);
}

void dropHeldPress(Helper& h) {
  h.state.spaceHold.heldPress.reset();
  stopTimer(h);
}

void modifierJoined(Helper& h, const std::string& name, platform::TapProxy proxy) {
  auto& s = h.state.keyboard;
  auto& hold = h.state.spaceHold;
  const bool inChord =
      std::any_of(s.swallowRules.begin(), s.swallowRules.end(), [&](const auto& r) {
        return r.key == "Space" && std::find(r.when.begin(), r.when.end(), name) != r.when.end();
      });
  if (hold.heldPress) {
    if (swallowRuleHolds(s, "Space")) {
      emitSpaceFirst(h.now() - hold.heldPressAt, true);
      dropHeldPress(h);
      s.keyGate.keep(platform::kSpaceKeyCode);
    } else if (!inChord) {
      sendHeldPress(h, proxy);
    }
    return;
  }
  if (inChord && hold.spaceSentAt) emitSpaceFirst(h.now() - *hold.spaceSentAt, false);
  hold.spaceSentAt.reset();
}

}  // namespace parlevox
