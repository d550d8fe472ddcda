// Timed changes of the simulated desktop in the scenario's input script: the focus, the frontmost
// application, attribute values, elements going away, secure input and the tap being disabled.
#pragma once

#include <functional>
#include <optional>

#include "helper/platform/sim/ax_tree.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/sim/sim_events.h"
#include "helper/platform/sim/sim_workspace.h"

namespace parlevox::sim {

/// The parts of the desktop a timed change may touch.
struct ChangeableDesktop {
  AXTree& tree;
  SimWorkspace& workspace;
  SimEvents& events;
};

/// The action of a step holding one of the change keys ("focus", "front", "change", "remove",
/// "secure", "tapDisabled"), run on the main loop at the step's time; nothing for a step with
/// none of them. Throws ScenarioError for a step that does not fit.
std::optional<std::function<void()>> readDesktopChange(const ScenarioReader& step,
                                                       ChangeableDesktop desktop);

}  // namespace parlevox::sim
