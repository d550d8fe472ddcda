// Which applications run and which is in front.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace parlevox {

struct Command;
struct Helper;

/// {"pid", "bundle", "name"} of the frontmost application, or {} when none is in front.
nlohmann::json frontmostAppInfo(Helper& h);

void runFrontmost(Helper& h, const Command& c);
/// Regular, running applications with a bundle identifier.
void runRunningApps(Helper& h, const Command& c);

}  // namespace parlevox
