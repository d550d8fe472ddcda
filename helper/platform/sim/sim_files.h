// Simulated file system: the paths the scenario lists, and the folders that hold them.
#pragma once

#include <set>
#include <string>

#include "helper/platform/files.h"
#include "helper/platform/sim/scenario_reader.h"

namespace parlevox::sim {

class SimFiles final : public platform::Files {
 public:
  /// Reads the scenario's "files" list of absolute paths.
  void load(const ScenarioReader& scenario);
  /// True for a listed path and for every folder above one.
  bool exists(const std::string& path) override;

 private:
  std::set<std::string> paths_;  // read-only after loading, so safe from any thread
};

}  // namespace parlevox::sim
