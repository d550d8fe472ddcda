// The helper's entry sequence: flags, reader thread, signals, event tap, "ready", housekeeping.
#pragma once

#include "helper/platform/platform.h"

namespace parlevox {

/// Runs the helper on the platform until it ends; returns only for `--access`.
int runHelper(int argc, char** argv, const platform::Platform& platform);

}  // namespace parlevox
