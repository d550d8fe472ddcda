// Reading pasteboard items from the scenario: text, hex bytes, a repeated pattern or a file.
#pragma once

#include <string>
#include <vector>

#include "helper/platform/sim/scenario_reader.h"

namespace parlevox::sim {

/// The most bytes one type of the scenario's pasteboard may hold.
inline constexpr std::int64_t kMaxPasteboardBytes = 256 * 1024 * 1024;

/// Bytes under one type of a simulated pasteboard item.
struct SimPasteboardData {
  std::string type;
  std::string bytes;
  bool unreadable = false;  // declared, but the owner never provides the data
  bool operator==(const SimPasteboardData&) const = default;
};

using SimPasteboardItem = std::vector<SimPasteboardData>;

/// The items of `key` of the scenario object: an array of items, each an array of types.
std::vector<SimPasteboardItem> readPasteboardItems(const ScenarioReader& scenario, const char* key);

}  // namespace parlevox::sim
