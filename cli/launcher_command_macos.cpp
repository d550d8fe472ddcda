// Starts the application by bundle identifier, hidden (-g), through Launch Services.
#include "cli/launcher_command.h"

namespace parlevox::cli {

std::vector<std::string> launcher_command() {
  return {"/usr/bin/open", "-g", "-b", "com.parlevox.app"};
}

}  // namespace parlevox::cli
