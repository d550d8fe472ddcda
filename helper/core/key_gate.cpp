// The key gate: swallows a key as a whole press, and decides when a Space press may be held back.
#include "helper/core/key_gate.h"

namespace parlevox {

KeyGate::Decision KeyGate::decide(std::int64_t code, bool isDown, bool isRepeat, bool reporting,
                                  const std::function<bool()>& ours) {
  // A fresh press forgets a stale entry whose release was never seen.
  if (isDown && !isRepeat) kept.erase(code);
  const bool wasKept = kept.contains(code);
  if (!reporting && !wasKept) return {false, false};
  if (!isDown) {
    kept.erase(code);
    return {true, wasKept};
  }
  if (wasKept) return {true, true};
  // A repeat of a press that went through stays with the application: swallowing the rest of the
  // press would leave the application holding a key that never comes up.
  if (isRepeat) return {true, false};
  if (!ours()) return {true, false};
  kept.insert(code);
  return {true, true};
}

bool KeyGate::holdBack(bool isDown, bool isRepeat, bool quiet, bool startsChord, double at) {
  if (!isDown || isRepeat) return false;
  const bool result = quiet && startsChord && at - lastPress >= typingGapMs;
  lastPress = at;
  return result;
}

}  // namespace parlevox
