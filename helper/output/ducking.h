// Lowering the output volume while the user dictates, and restoring it afterwards.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace parlevox {

struct Helper;

/// Lowers the output volume to `level` times its current value, remembering both volumes.
nlohmann::json duck(Helper& h, double level);
/// Restores the remembered volume unless the user changed it while ducked.
nlohmann::json unduck(Helper& h);

}  // namespace parlevox
