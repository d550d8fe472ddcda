// The only writers of the helper's stdout: events with `emit`, replies with `respond`.
#include "helper/core/emit.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace parlevox {
namespace {

// Writes the whole line to stdout with as few write(2) calls as the kernel allows.
void writeStdout(std::string_view line) {
  while (!line.empty()) {
    ssize_t n = ::write(STDOUT_FILENO, line.data(), line.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // the reader is gone; SIGPIPE has had its default effect already
    }
    line.remove_prefix(static_cast<std::size_t>(n));
  }
}

struct Output {
  std::mutex lock;
  LineSink sink;
};

Output& output() {
  static Output instance;
  return instance;
}

}  // namespace

void emit(const nlohmann::json& object) {
  std::string line;
  try {
    line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  } catch (const nlohmann::json::exception&) {
    return;
  }
  emitSerialised(std::move(line));
}

void emitSerialised(std::string line) {
  line.push_back('\n');
  auto& out = output();
  std::lock_guard guard(out.lock);
  if (out.sink)
    out.sink(line);
  else
    writeStdout(line);
}

void respond(std::optional<std::int64_t> id, nlohmann::json object) {
  if (id) object["id"] = *id;
  emit(object);
}

void setLineSink(LineSink sink) {
  auto& out = output();
  std::lock_guard guard(out.lock);
  out.sink = std::move(sink);
}

}  // namespace parlevox

namespace parlevox {

void exitAfterLastLine(int status) {
  output().lock.lock();  // held for good: background replies still running are never written
  std::fflush(stdout);
  ::_exit(status);
}

}  // namespace parlevox
