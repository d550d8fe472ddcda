// Starts the application through its desktop-file id, as the desktop's own launcher does.
#include "cli/launcher_command.h"

namespace parlevox::cli {

std::vector<std::string> launcher_command() {
  return {"gtk-launch", "com.parlevox.app"};
}

}  // namespace parlevox::cli
