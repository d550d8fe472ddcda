// The stdin reader: a detached thread that reads and decodes command lines and posts them.
#include "helper/core/stdin_reader.h"

#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "helper/core/command.h"
#include "helper/core/dispatch.h"
#include "helper/core/helper.h"
#include "helper/output/ducking.h"

namespace parlevox {
namespace {

// Decodes one line (terminator already removed) into the batch; empty and bad lines add nothing.
void decodeLine(std::string_view line, std::vector<Command>& batch) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return;
  if (auto command = decodeCommand(line)) batch.push_back(std::move(*command));
}

// Hands the commands of one read to the main loop as one task, which runs them in order. A
// burst of pipelined commands so costs one wake-up of the main thread instead of one each.
void post(Helper& h, std::vector<Command>& batch) {
  if (batch.empty()) return;
  h.loop.post([&h, commands = std::make_shared<std::vector<Command>>(std::move(batch))] {
    for (const auto& c : *commands) handleCommand(h, c);
  });
  batch.clear();
}

void readLoop(Helper& h, int fd) {
  std::string pending;
  std::vector<Command> batch;
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
      } else {
        pending.append(chunk.substr(start, end - start));
        decodeLine(pending, batch);
        pending.clear();
      }
    }
    pending.append(chunk.substr(start));
    post(h, batch);
  }
  // A last line without a line feed still counts.
  decodeLine(pending, batch);
  post(h, batch);
  h.loop.post([&h] {
    unduck(h);
    h.exit(0);
  });
}

}  // namespace

void startStdinReader(Helper& h, int fd) {
  std::thread(readLoop, std::ref(h), fd).detach();
}

}  // namespace parlevox
