// Which applications run and which is in front.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>

#include "helper/platform/workspace.h"

namespace parlevox {

struct Command;
struct Helper;

/// {"pid", "bundle", "name"} of the application, or {} for none.
nlohmann::json appRecord(const std::optional<platform::RunningApp>& app);

/// {"pid", "bundle", "name"} of the frontmost application, or {} when none is in front.
nlohmann::json frontmostAppInfo(Helper& h);

void runFrontmost(Helper& h, const Command& c);
/// Regular, running applications with a bundle identifier.
void runRunningApps(Helper& h, const Command& c);

}  // namespace parlevox
