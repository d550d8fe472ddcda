// The "context", "nearText" and "window" commands: their work runs on the background pool and
// replies from the main thread.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>

#include "helper/context/browser_page.h"
#include "helper/platform/accessibility.h"
#include "helper/platform/workspace.h"

namespace parlevox {

struct Command;
struct Helper;

/// The application a command names by `pid` when one with that process id runs, else the
/// frontmost one.
std::optional<platform::RunningApp> targetApp(platform::Workspace& workspace,
                                              std::optional<std::int64_t> pid);

/// The "window" reply for the application `pid`: {"ok": true, "title" (its first 200
/// characters), and "url", "fullUrl", "page": true as the page search finds them}.
nlohmann::json windowReply(platform::Accessibility& ax, std::int32_t pid, const Pause& pause,
                           const Deadline& deadline);

void runContext(Helper& h, const Command& c);
void runNearText(Helper& h, const Command& c);
void runWindow(Helper& h, const Command& c);

}  // namespace parlevox
