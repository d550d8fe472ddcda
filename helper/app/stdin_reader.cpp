// The stdin reader: a detached thread that reads and decodes command lines and posts them.
#include "helper/app/stdin_reader.h"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "helper/app/dispatch.h"
#include "helper/core/command.h"
#include "helper/core/helper.h"
#include "helper/output/ducking.h"

namespace parlevox {
namespace {

// Decodes one line (terminator already removed) into the batch; empty and bad lines add nothing.
void decodeLine(std::string_view line, std::vector<Command>& batch) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return;
  // Decoded in place: a command is large, and most of it stays empty.
  if (!decodeCommandInto(line, batch.emplace_back())) batch.pop_back();
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
      ++made_;
      Batch batch;
      batch.reserve(kBatchSize);
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
// waits in the pipe rather than in memory while a command holds the queue.
void post(Helper& h, SpareBatches& spares, Batch& batch) {
  if (batch.empty()) return;
  auto commands = std::make_shared<Batch>(std::exchange(batch, spares.take()));
  h.loop.post([&h, &spares, commands] {
    h.commands.addCommands([&h, &spares, commands, next = std::size_t{0}]() mutable {
      while (next < commands->size() && !h.commands.held()) handleCommand(h, (*commands)[next++]);
      if (next < commands->size()) return false;
      spares.give(std::move(*commands));
      return true;
    });
  });
}

// Posts the batch once it is full.
void postWhenFull(Helper& h, SpareBatches& spares, Batch& batch) {
  if (batch.size() >= kBatchSize) post(h, spares, batch);
}

void readLoop(Helper& h, int fd) {
  std::string pending;
  static SpareBatches spares;  // outlives the reader: the main loop may still hand batches back
  Batch batch = spares.take();
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::string_view chunk(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = chunk.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
      if (pending.empty()) {
        decodeLine(chunk.substr(start, end - start), batch);
        postWhenFull(h, spares, batch);
      } else {
        pending.append(chunk.substr(start, end - start));
        decodeLine(pending, batch);
        postWhenFull(h, spares, batch);
        pending.clear();
      }
    }
    pending.append(chunk.substr(start));
    post(h, spares, batch);
  }
  // A last line without a line feed still counts.
  decodeLine(pending, batch);
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
