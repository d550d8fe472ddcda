// The main thread's queue of commands: one at a time, in arrival order. A command that waits for
// something holds the queue until it has replied; the main loop meanwhile serves everything else.
#include "helper/core/command_queue.h"

namespace parlevox {

struct CommandHold::Token {
  Token(CommandQueue* q, std::weak_ptr<bool> a) : queue(q), alive(std::move(a)) {}
  Token(const Token&) = delete;
  Token& operator=(const Token&) = delete;

  CommandQueue* queue;
  std::weak_ptr<bool> alive;
  bool released = false;

  void release() {
    if (released) return;
    released = true;
    if (!alive.expired()) queue->released();
  }
  // A hold that is dropped without a release (its reply can no longer come) must not stop the
  // queue for ever.
  ~Token() { release(); }
};

void CommandHold::release() {
  if (token_) token_->release();
}

void CommandQueue::addCommands(Task task) {
  tasks_.push_back(std::move(task));
  run();
}

void CommandQueue::add(std::function<void()> work) {
  addCommands([work = std::move(work)] {
    work();
    return true;
  });
}

CommandHold CommandQueue::hold() {
  if (!alive_) alive_ = std::make_shared<bool>(true);
  held_ = true;
  return CommandHold(std::make_shared<CommandHold::Token>(this, std::weak_ptr<bool>(alive_)));
}

void CommandQueue::released() {
  held_ = false;
  // Released by the running task itself: its loop below goes on. Released later, from a timer
  // or a reply: the next task starts from the main loop, after whatever released it has ended.
  if (!running_)
    loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
      if (!alive.expired()) run();
    });
}

void CommandQueue::run() {
  if (running_) return;
  running_ = true;
  while (!held_ && !tasks_.empty()) {
    // The task stays in front while it runs (tasks added meanwhile go behind it) and leaves only
    // once it has run everything it holds.
    if (tasks_.front()()) tasks_.pop_front();
  }
  running_ = false;
}

}  // namespace parlevox
