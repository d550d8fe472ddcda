// The help text of the command line, whose first line carries the version (cli/version.h).
#pragma once

#include <string>

#include "cli/version.h"

namespace parlevox::cli {

/// The whole help text, ending with a newline.
std::string help_text();

}  // namespace parlevox::cli
