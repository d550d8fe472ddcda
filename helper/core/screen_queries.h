// The screens as the helper reports them: global top-left frames and camera-housing areas.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace parlevox {

struct Command;
struct Helper;

/// One record per screen in the platform's order (the primary screen first): "x", "y", "width",
/// "height" in global top-left points, and "notch" on a screen with a camera housing.
nlohmann::json screensInfo(Helper& h);

void runScreens(Helper& h, const Command& c);

}  // namespace parlevox
