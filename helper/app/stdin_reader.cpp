// The stdin reader: a detached thread that reads and decodes command lines and posts them.
#include "helper/app/stdin_reader.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "helper/app/dispatch.h"
#include "helper/core/command.h"
#include "helper/core/helper.h"
#include "helper/core/line_framer.h"
#include "helper/output/ducking.h"

namespace parlevox {
namespace {

// Decodes one line (terminator already removed) into the batch; empty and bad lines add nothing.
void decodeLine(std::string_view line, std::vector<Command>& batch) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return;
  const std::size_t size = batch.size();
  try {
    // Decoded in place: a command is large, and most of it stays empty.
    if (!decodeCommandInto(line, batch.emplace_back())) batch.pop_back();
  } catch (const std::bad_alloc&) {
    // Out of memory for this line: it is dropped like a malformed one, and the helper goes on.
    while (batch.size() > size) batch.pop_back();
  }
}

// Commands handed to the main loop in one task: enough that a burst of pipelined commands costs
// one wake-up of the main thread per batch rather than per command, few enough that the batch
// stays in reused heap memory and a key event waits behind at most a few commands.
constexpr std::size_t kBatchSize = 32;

using Batch = std::vector<Command>;

// Batches the main loop has run, handed back to the reader with their memory kept. At most
// kBatchesInFlight exist: a reader that gets ahead of the main loop waits for one to come back,
// so pipelined input is held by the pipe rather than piling up in the helper's memory.
constexpr std::size_t kBatchesInFlight = 8;

class SpareBatches {
 public:
  Batch take() {
    std::unique_lock guard(lock_);
    if (spare_.empty() && made_ < kBatchesInFlight) {
      Batch batch;
      batch.reserve(kBatchSize);
      ++made_;
      return batch;
    }
    returned_.wait(guard, [this] { return !spare_.empty(); });
    Batch batch = std::move(spare_.back());
    spare_.pop_back();
    return batch;
  }

  void give(Batch batch) {
    batch.clear();
    {
      std::lock_guard guard(lock_);
      spare_.push_back(std::move(batch));
    }
    returned_.notify_one();
  }

 private:
  std::mutex lock_;
  std::condition_variable returned_;
  std::vector<Batch> spare_;
  std::size_t made_ = 0;
};

// Hands the batch to the main loop, which queues it as one task that runs its commands in
// order. A command that holds the queue (it waits for something before it replies) pauses the
// task; the batch goes back to the reader only once its last command has run, so that input
// waits in the pipe rather than in memory while a command holds the queue. Out of memory, the
// hand-over waits for memory to come back rather than losing commands or ending the helper.
void post(Helper& h, SpareBatches& spares, Batch& batch) {
  if (batch.empty()) return;
  for (;;) {
    try {
      auto commands = std::make_shared<Batch>();
      commands->swap(batch);
      try {
        h.loop.post([&h, &spares, commands] {
          h.commands.addCommands([&h, &spares, commands, next = std::size_t{0}]() mutable {
            while (next < commands->size() && !h.commands.held())
              handleCommand(h, (*commands)[next++]);
            if (next < commands->size()) return false;
            spares.give(std::move(*commands));
            return true;
          });
        });
      } catch (...) {
        commands->swap(batch);
        throw;
      }
      break;
    } catch (const std::bad_alloc&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  try {
    batch = spares.take();
  } catch (const std::bad_alloc&) {
    // The batch stays the empty one handed back by the swap; it grows when used.
  }
}

// Posts the batch once it is full.
void postWhenFull(Helper& h, SpareBatches& spares, Batch& batch) {
  if (batch.size() >= kBatchSize) post(h, spares, batch);
}

void readLoop(Helper& h, int fd) {
  static SpareBatches spares;  // outlives the reader: the main loop may still hand batches back
  Batch batch = spares.take();
  LineFramer framer;
  const LineFramer::Sink decode = [&](std::string_view line) {
    decodeLine(line, batch);
    postWhenFull(h, spares, batch);
  };
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    framer.feed({buffer, static_cast<std::size_t>(n)}, decode);
    post(h, spares, batch);
  }
  // A last line without a line feed still counts.
  framer.finish(decode);
  post(h, spares, batch);
  h.loop.post([&h] {
    h.commands.add([&h] {
      unduck(h.state.ducking, h.platform.volume);
      h.exit(0);
    });
  });
}

}  // namespace

void startStdinReader(Helper& h, int fd) {
  std::thread(readLoop, std::ref(h), fd).detach();
}

}  // namespace parlevox
