// What the simulated desktop was asked to do, in order, for tests to assert on.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace parlevox::sim {

class Recorder {
 public:
  Recorder() = default;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  ~Recorder();

  /// Also writes every entry as one JSON line to the file (created or truncated now).
  bool openFile(const std::string& path);
  /// Appends one entry; safe from any thread.
  void record(nlohmann::json entry);
  /// A copy of every entry so far.
  std::vector<nlohmann::json> entries() const;
  /// Also hands every later entry to `listener`, under the recorder's lock, in order.
  void setListener(std::function<void(const nlohmann::json&)> listener);
  /// Where the "ms" of every entry comes from: milliseconds of CLOCK_MONOTONIC (the helper's
  /// clock) unless a test sets its virtual clock.
  void setClock(std::function<double()> clock);

 private:
  mutable std::mutex lock_;
  std::vector<nlohmann::json> entries_;
  std::FILE* file_ = nullptr;
  std::function<void(const nlohmann::json&)> listener_;
  std::function<double()> clock_;
};

}  // namespace parlevox::sim
