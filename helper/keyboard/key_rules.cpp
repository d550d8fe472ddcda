// The questions the event tap asks about held keys: reporting, capture, swallow rules.
#include "helper/keyboard/key_rules.h"

#include <algorithm>

#include "helper/core/state.h"
#include "helper/platform/events.h"
#include "helper/platform/key_codes.h"

namespace parlevox {

bool watchedModifierHeld(const KeyboardState& s) {
  // Both sets are small; walk the smaller one.
  const auto& held = s.heldModifiers;
  const auto& watched = s.watchedModifiers;
  if (held.size() <= watched.size())
    return std::any_of(held.begin(), held.end(),
                       [&](const std::string& n) { return watched.contains(n); });
  return std::any_of(watched.begin(), watched.end(),
                     [&](const std::string& n) { return held.contains(n); });
}

bool shouldReportKeys(const KeyboardState& s) {
  return s.armed || watchedModifierHeld(s);
}

bool captureAllInput(const KeyboardState& s, double now, std::optional<std::string_view> name) {
  if (!s.armed || !watchedModifierHeld(s)) return false;
  if (name == "Return" || name == "Escape") return true;
  return now - s.armedAt >= s.captureAfterMs;
}

bool swallowRuleHolds(const KeyboardState& s, std::optional<std::string_view> key,
                      const std::set<std::string>& alsoDown) {
  if (!key) return false;
  for (const auto& rule : s.swallowRules) {
    if (rule.key != *key || rule.when.empty()) continue;
    const bool holds = std::all_of(rule.when.begin(), rule.when.end(), [&](const std::string& n) {
      return s.heldModifiers.contains(n) || alsoDown.contains(n);
    });
    if (holds) return true;
  }
  return false;
}

namespace {

bool mayCaptureEveryKey(const KeyboardState& s) {
  return s.armed && watchedModifierHeld(s);
}

}  // namespace

platform::SwallowNeeds swallowNeeds(const KeyboardState& s) {
  platform::SwallowNeeds needs;
  needs.everyKey = mayCaptureEveryKey(s);
  auto add = [&](std::int64_t code, std::uint64_t flags) {
    const platform::SwallowNeeds::Combination c{code, flags};
    if (std::find(needs.combinations.begin(), needs.combinations.end(), c) ==
        needs.combinations.end())
      needs.combinations.push_back(c);
  };
  for (const auto& rule : s.swallowRules) {
    const auto code = platform::keyCodeNamed(rule.key);
    if (!code || rule.when.empty()) continue;
    std::uint64_t flags = 0;
    for (const auto& name : rule.when)
      for (const auto& m : platform::modifierKeys())
        if (m.name == name) flags |= platform::independentFlag(m);
    add(*code, flags);
    // A quiet Space is held back while a modifier may still join it.
    if (*code == platform::kSpaceKeyCode) add(*code, 0);
  }
  return needs;
}

void tellSwallowNeeds(platform::EventSystem& events, KeyboardState& s) {
  auto needs = swallowNeeds(s);
  if (needs == s.swallowNeedsTold) return;
  s.swallowNeedsTold = std::move(needs);
  events.needSwallowing(s.swallowNeedsTold);
}

void tellCaptureChange(platform::EventSystem& events, KeyboardState& s) {
  const bool everyKey = mayCaptureEveryKey(s);
  if (everyKey == s.swallowNeedsTold.everyKey) return;
  s.swallowNeedsTold.everyKey = everyKey;
  events.needSwallowing(s.swallowNeedsTold);
}

std::set<std::string> modifiersDown(std::uint64_t flags) {
  std::set<std::string> names;
  for (const auto& m : platform::modifierKeys())
    if (flags & m.mask) names.emplace(m.name);
  return names;
}

std::vector<std::string> pressedKeyNames(const KeyboardState& s, platform::EventSystem& events) {
  std::vector<std::string> names(s.heldModifiers.begin(), s.heldModifiers.end());
  for (const auto& k : platform::namedKeys())
    if (events.keyIsDown(k.code)) names.emplace_back(k.name);
  return names;
}

}  // namespace parlevox
