// A time after which a walk over another application's elements reads nothing more.
#pragma once

#include <functional>
#include <limits>
#include <utility>

namespace parlevox {

/// Milliseconds on a monotonic clock.
using Clock = std::function<double()>;

class Deadline {
 public:
  /// A deadline that never passes.
  Deadline() = default;
  /// `ms` milliseconds from now on `clock`.
  static Deadline after(Clock clock, double ms) {
    Deadline d;
    if (!clock) return d;
    d.at_ = clock() + ms;
    d.clock_ = std::move(clock);
    return d;
  }
  bool passed() const { return clock_ && clock_() > at_; }

 private:
  Clock clock_;
  double at_ = std::numeric_limits<double>::infinity();
};

}  // namespace parlevox
