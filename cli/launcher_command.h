// The system command that starts the application in the background.
#pragma once

#include <string>
#include <vector>

namespace parlevox::cli {

/// Program and arguments that start the application without bringing it to the front. The program
/// is looked up along PATH when it holds no "/".
std::vector<std::string> launcher_command();

}  // namespace parlevox::cli
