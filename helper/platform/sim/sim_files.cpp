// Simulated file system: the paths the scenario lists, and the folders that hold them.
#include "helper/platform/sim/sim_files.h"

namespace parlevox::sim {

void SimFiles::load(const ScenarioReader& scenario) {
  const auto& files = scenario.array("files");
  for (const auto& path : files) {
    if (!path.is_string()) scenario.fail("files", "a list of paths");
    std::string p = path.get<std::string>();
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    paths_.insert(p);
  }
}

bool SimFiles::exists(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  if (paths_.contains(p)) return true;
  auto below = paths_.lower_bound(p + "/");
  return below != paths_.end() && below->starts_with(p + "/");
}

}  // namespace parlevox::sim
