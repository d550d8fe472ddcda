// Entry point of parlevox-helper: picks the desktop it runs on and hands over to start-up.
#include <cstdio>
#include <cstdlib>
#include <variant>

#include "helper/core/startup.h"
#include "helper/platform/sim/sim_desktop.h"

int main(int argc, char** argv) {
  using parlevox::sim::SimDesktop;
  // The scenario named by PARLEVOX_DESKTOP, or the built-in demo desktop.
  std::unique_ptr<SimDesktop> desktop;
  if (const char* path = std::getenv("PARLEVOX_DESKTOP"); path && *path) {
    auto loaded = SimDesktop::fromFile(path);
    if (auto* error = std::get_if<std::string>(&loaded)) {
      std::fprintf(stderr, "parlevox-helper: %s\n", error->c_str());
      return 1;
    }
    desktop = std::move(std::get<std::unique_ptr<SimDesktop>>(loaded));
  } else {
    desktop = SimDesktop::demo();
  }
  return parlevox::runHelper(argc, argv, desktop->platform());
}
