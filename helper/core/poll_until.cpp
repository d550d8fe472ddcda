// Waiting on the main loop without holding it: a condition tested now and then on timers.
#include "helper/core/poll_until.h"

#include <algorithm>
#include <memory>

namespace parlevox {
namespace {

struct Poll {
  RunLoop& loop;
  double deadlineMs, stepMs;
  std::function<bool()> holds;
  std::function<void(bool)> then;
};

void test(std::shared_ptr<Poll> poll) {
  const bool held = poll->holds();
  const double now = poll->loop.now();
  if (held || now >= poll->deadlineMs) {
    poll->then(held);
    return;
  }
  // The last step ends at the deadline rather than past it.
  const double step = std::min(poll->stepMs, poll->deadlineMs - now);
  poll->loop.after(step, [poll] { test(poll); });
}

}  // namespace

void pollUntil(RunLoop& loop, double deadlineMs, double stepMs, std::function<bool()> holds,
               std::function<void(bool held)> then) {
  test(std::make_shared<Poll>(Poll{loop, deadlineMs, stepMs, std::move(holds), std::move(then)}));
}

}  // namespace parlevox
