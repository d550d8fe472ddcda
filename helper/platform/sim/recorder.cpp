// What the simulated desktop was asked to do, in order, for tests to assert on.
#include "helper/platform/sim/recorder.h"

#include <time.h>

namespace parlevox::sim {

Recorder::~Recorder() {
  if (file_) std::fclose(file_);
}

bool Recorder::openFile(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void Recorder::record(nlohmann::json entry) {
  std::lock_guard guard(lock_);
  if (clock_) {
    entry["ms"] = clock_();
  } else {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    entry["ms"] = static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
  }
  if (file_) {
    // Flushed per line so that a reader sees each entry once the helper has answered.
    auto line = entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fprintf(file_, "%s\n", line.c_str());
    std::fflush(file_);
  }
  if (listener_) listener_(entry);
  if (keep_) entries_.push_back(std::move(entry));
}

void Recorder::keepInMemory() {
  std::lock_guard guard(lock_);
  keep_ = true;
}

void Recorder::setListener(std::function<void(const nlohmann::json&)> listener) {
  std::lock_guard guard(lock_);
  listener_ = std::move(listener);
}

void Recorder::setClock(std::function<double()> clock) {
  std::lock_guard guard(lock_);
  clock_ = std::move(clock);
}

std::vector<nlohmann::json> Recorder::entries() const {
  std::lock_guard guard(lock_);
  return entries_;
}

}  // namespace parlevox::sim
