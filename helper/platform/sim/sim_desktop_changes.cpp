// Timed changes of the simulated desktop in the scenario's input script: the focus, the frontmost
// application, attribute values, elements going away, secure input and the tap being disabled.
#include "helper/platform/sim/sim_desktop_changes.h"

#include <nlohmann/json.hpp>

#include "helper/platform/sim/ax_tree_scenario.h"

namespace parlevox::sim {

std::optional<std::function<void()>> readDesktopChange(const ScenarioReader& step,
                                                       ChangeableDesktop d) {
  const auto& json = step.json();
  if (step.has("focus")) {
    step.onlyKeys({"at", "focus"});
    const NodeIndex element = elementNamed(step, "focus", d.tree);
    return [&tree = d.tree, element] { tree.focus(element); };
  }
  // "front": null is a change too: nothing is in front from then on.
  if (json.contains("front")) {
    step.onlyKeys({"at", "front"});
    std::optional<std::int32_t> pid;
    if (step.has("front")) {
      pid = static_cast<std::int32_t>(step.integer("front", 0, 1, INT32_MAX));
      if (!d.workspace.hasApp(*pid)) step.fail("front", "the pid of one of the apps, or null");
    }
    return [&workspace = d.workspace, pid] { workspace.setFrontmost(pid); };
  }
  if (step.has("change")) {
    step.onlyKeys({"at", "change", "role", "subrole", "title", "value", "description", "frame",
                   "selection", "attributes"});
    const NodeIndex element = elementNamed(step, "change", d.tree);
    auto changes = readAttributeChanges(step, d.tree);
    if (changes.empty()) step.fail("change", "given with at least one attribute to change");
    return [&tree = d.tree, element, changes = std::move(changes)] {
      for (const auto& [name, value] : changes) tree.change(element, name, value);
    };
  }
  if (step.has("remove")) {
    step.onlyKeys({"at", "remove"});
    const NodeIndex element = elementNamed(step, "remove", d.tree);
    return [&tree = d.tree, element] { tree.remove(element); };
  }
  if (step.has("secure")) {
    step.onlyKeys({"at", "secure"});
    const bool on = step.boolean("secure", false);
    return [&events = d.events, on] { events.setSecureInput(on); };
  }
  if (step.has("tapDisabled")) {
    step.onlyKeys({"at", "tapDisabled"});
    const auto why = step.string("tapDisabled", "");
    if (why != "timeout" && why != "user") step.fail("tapDisabled", "\"timeout\" or \"user\"");
    return [&events = d.events, timeout = why == "timeout"] { events.disableTap(timeout); };
  }
  return std::nullopt;
}

}  // namespace parlevox::sim
