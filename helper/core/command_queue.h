// The main thread's queue of commands: one at a time, in arrival order. A command that waits for
// something holds the queue until it has replied; the main loop meanwhile serves everything else.
#pragma once

#include <deque>
#include <functional>
#include <memory>

#include "helper/core/run_loop.h"

// How a command waits without holding up the keyboard: a command that must wait for another
// application (the copy to land, an application to come to the front) does not block the main
// thread or run the loop from inside itself. It takes a hold on this queue, schedules its next
// look as a timer on the main loop, and returns. The loop then goes on serving the event-tap
// callbacks, timers, signals and the replies of background work as usual, so the user's keys are
// neither delayed nor lost; only the commands (and what must follow them: end of input, signals)
// wait in this queue. When the command has replied it releases the hold, and the next command
// starts from the main loop with a fresh stack. There is no nested run of the loop, so no
// callback can ever run inside a waiting command, and no command inside another.

namespace parlevox {

class CommandQueue;

/// Keeps later commands waiting until released. Copies share one hold; the first release (or the
/// end of the last copy) lets the queue go on.
class CommandHold {
 public:
  CommandHold() = default;
  /// Lets the queue go on; later calls do nothing.
  void release();

 private:
  friend class CommandQueue;
  struct Token;
  explicit CommandHold(std::shared_ptr<Token> token) : token_(std::move(token)) {}
  std::shared_ptr<Token> token_;
};

class CommandQueue {
 public:
  /// Runs commands until it has run all of its own (true) or one of them holds the queue
  /// (false: it is called again, to go on, once the hold is released).
  using Task = std::function<bool()>;

  explicit CommandQueue(RunLoop& loop) noexcept : loop_(loop) {}
  CommandQueue(const CommandQueue&) = delete;
  CommandQueue& operator=(const CommandQueue&) = delete;

  /// Appends a task that runs commands, and runs what can run now. Main thread only.
  void addCommands(Task task);
  /// Appends one piece of work (a command, or what must come after every command so far, such as
  /// the end of input), and runs what can run now. Main thread only.
  void add(std::function<void()> work);
  /// Called by the running task when it replies later: the tasks after it wait until the hold is
  /// released. Main thread only.
  CommandHold hold();
  /// Whether a task holds the queue.
  bool held() const { return held_; }
  /// Tasks waiting to run.
  std::size_t waiting() const { return tasks_.size(); }

 private:
  friend class CommandHold;
  void released();
  void run();

  RunLoop& loop_;
  std::deque<Task> tasks_;
  bool held_ = false;
  bool running_ = false;
  std::shared_ptr<bool> alive_;  // made by the first hold; holds and posted work outlive no queue
};

}  // namespace parlevox
