// Lowering the output volume while the user dictates, and restoring it afterwards.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace parlevox {

struct DuckingState;
namespace platform {
class Volume;
}

/// Lowers the output volume to `level` times its current value, remembering both volumes.
nlohmann::json duck(DuckingState& s, platform::Volume* volume, double level);
/// Restores the remembered volume unless the user changed it while ducked.
nlohmann::json unduck(DuckingState& s, platform::Volume* volume);

}  // namespace parlevox
