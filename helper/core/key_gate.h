// The key gate: swallows a key as a whole press, and decides when a Space press may be held back.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <set>

namespace parlevox {

struct KeyGate {
  /// How long a held-back Space press waits for a modifier to join.
  static constexpr double chordWindowMs = 50.0;
  /// The least time since the previous fresh key press for a Space press to be held back.
  static constexpr double typingGapMs = 500.0;

  struct Decision {
    bool seen = false;
    bool swallow = false;
    bool operator==(const Decision&) const = default;
  };

  /// Key codes whose current press was swallowed; their repeats and release are swallowed too.
  std::set<std::int64_t> kept;
  /// Time of the most recent fresh key-down that went through `holdBack`.
  double lastPress = -std::numeric_limits<double>::infinity();

  /// Whether the event is reported and whether it is swallowed. A key is swallowed as a whole
  /// press: a kept press's repeats and release are swallowed, and a press that went through is
  /// never swallowed later. `ours` is asked at most once, and only for a reported fresh key-down.
  Decision decide(std::int64_t code, bool isDown, bool isRepeat, bool reporting,
                  const std::function<bool()>& ours);
  /// Whether a fresh press may be held back as the possible start of a chord; every fresh
  /// key-down moves `lastPress`.
  bool holdBack(bool isDown, bool isRepeat, bool quiet, bool startsChord, double at);
  /// Marks the current press of `code` as swallowed.
  void keep(std::int64_t code) { kept.insert(code); }
};

}  // namespace parlevox
