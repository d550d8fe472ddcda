// The questions the event tap asks about held keys: reporting, capture, swallow rules.
#include "helper/keyboard/key_rules.h"

#include <algorithm>

#include "helper/core/helper.h"
#include "helper/platform/key_codes.h"

namespace parlevox {

bool watchedModifierHeld(const HelperState& s) {
  // Both sets are small; walk the smaller one.
  const auto& held = s.heldModifiers;
  const auto& watched = s.watchedModifiers;
  if (held.size() <= watched.size())
    return std::any_of(held.begin(), held.end(),
                       [&](const std::string& n) { return watched.contains(n); });
  return std::any_of(watched.begin(), watched.end(),
                     [&](const std::string& n) { return held.contains(n); });
}

bool shouldReportKeys(const HelperState& s) {
  return s.armed || watchedModifierHeld(s);
}

bool captureAllInput(Helper& h, std::optional<std::string_view> name) {
  const auto& s = h.state;
  if (!s.armed || !watchedModifierHeld(s)) return false;
  if (name == "Return" || name == "Escape") return true;
  return h.now() - s.armedAt >= s.captureAfterMs;
}

bool swallowRuleHolds(const HelperState& s, std::optional<std::string_view> key,
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

std::set<std::string> modifiersDown(std::uint64_t flags) {
  std::set<std::string> names;
  for (const auto& m : platform::modifierKeys())
    if (flags & m.mask) names.emplace(m.name);
  return names;
}

std::vector<std::string> pressedKeyNames(Helper& h) {
  std::vector<std::string> names(h.state.heldModifiers.begin(), h.state.heldModifiers.end());
  for (const auto& k : platform::namedKeys())
    if (h.platform.events->keyIsDown(k.code)) names.emplace_back(k.name);
  return names;
}

}  // namespace parlevox
