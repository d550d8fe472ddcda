// Simulated screens: the scenario's displays in the window system's bottom-left coordinates.
#pragma once

#include <vector>

#include "helper/platform/screens.h"
#include "helper/platform/sim/scenario_reader.h"

namespace parlevox::sim {

class SimScreens final : public platform::Screens {
 public:
  /// Reads the scenario's "screens" list; the first entry is the primary screen.
  void load(const ScenarioReader& scenario);

  std::vector<platform::Screen> screens() override { return screens_; }

 private:
  std::vector<platform::Screen> screens_;  // fixed once loaded, so any thread may read it
};

}  // namespace parlevox::sim
