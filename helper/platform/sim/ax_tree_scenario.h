// Reading the applications' accessibility trees from the scenario, and writing tree values back
// in the scenario's form for the record.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <utility>
#include <vector>

#include "helper/platform/sim/ax_tree.h"
#include "helper/platform/sim/scenario_reader.h"

namespace parlevox::sim {

/// The most elements one scenario may describe, repeats and generated paragraphs included.
inline constexpr std::size_t kMaxScenarioElements = 1'000'000;
/// The most UTF-16 units of text (strings and string lists) the trees of one scenario may hold.
inline constexpr std::size_t kMaxScenarioText = 50'000'000;

/// Reads the "ui" of every app of the scenario into `tree` (every app gets its application
/// element, with or without "ui") and finishes the tree. Throws ScenarioError naming the place.
void loadAccessibility(const ScenarioReader& scenario, AXTree& tree);

/// The element a timed step names under `key` by its id.
NodeIndex elementNamed(const ScenarioReader& step, const char* key, const AXTree& tree);

/// The attributes a timed "change" step gives an element: the convenience keys ("value",
/// "selection", "frame" …) and "attributes", with element references resolved.
std::vector<std::pair<NameId, TreeValue>> readAttributeChanges(const ScenarioReader& step,
                                                               AXTree& tree);

/// A value in the scenario's form (strings as text, other kinds tagged, elements by id), so that
/// the record reads like the scenario.
nlohmann::json scenarioJson(const TreeValue& value, const AXTree& tree);

}  // namespace parlevox::sim
