// Asking applications built on Electron to expose their text fields to accessibility.
#pragma once

#include <optional>

#include "helper/platform/workspace.h"

namespace parlevox {

struct Helper;

/// Once per process and helper run: when the application's bundle holds the Electron framework,
/// asks it, on the readable queue, to switch on its accessibility tree.
void makeFieldsReadable(Helper& h, const std::optional<platform::RunningApp>& app);

}  // namespace parlevox
