// Entry point of parlevox-helper: picks the desktop it runs on and hands over to start-up.
#include <cstdio>
#include <cstdlib>
#include <variant>

#include "helper/app/startup.h"
#include "helper/platform/linux/ffmpeg_decoder.h"
#include "helper/platform/linux/pulse_volume.h"
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
  auto platform = desktop->platform();
  // The scenario's volume when it defines one, else the real sound server's default output.
  parlevox::native::PulseVolume pulseVolume;
  if (!platform.volume) platform.volume = &pulseVolume;
  parlevox::native::FfmpegDecoder decoder;
  platform.audioDecoder = &decoder;
  return parlevox::runHelper(argc, argv, platform);
}
