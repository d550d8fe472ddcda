// What the simulated desktop was asked to do, in order, for tests to assert on.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace parlevox::sim {

/// Hands each entry to whoever asked for the record: a file, a listener, or memory. Nothing is
/// kept unless asked for, so a helper that runs for days on the simulated desktop does not grow.
class Recorder {
 public:
  Recorder() = default;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  ~Recorder();

  /// Writes every later entry as one JSON line to the file (created or truncated now).
  bool openFile(const std::string& path);
  /// Keeps every later entry in memory for `entries`; for tests that read the record in-process.
  void keepInMemory();
  /// Records one entry; safe from any thread.
  void record(nlohmann::json entry);
  /// A copy of every entry kept since `keepInMemory`.
  std::vector<nlohmann::json> entries() const;
  /// Also hands every later entry to `listener`, under the recorder's lock, in order.
  void setListener(std::function<void(const nlohmann::json&)> listener);
  /// Where the "ms" of every entry comes from: milliseconds of CLOCK_MONOTONIC (the helper's
  /// clock) unless a test sets its virtual clock.
  void setClock(std::function<double()> clock);

 private:
  mutable std::mutex lock_;
  bool keep_ = false;
  std::vector<nlohmann::json> entries_;
  std::FILE* file_ = nullptr;
  std::function<void(const nlohmann::json&)> listener_;
  std::function<double()> clock_;
};

}  // namespace parlevox::sim
