// Entry point of parlevox-helper: picks the desktop it runs on and hands over to start-up.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "helper/app/startup.h"
#include "helper/platform/linux/ffmpeg_decoder.h"
#include "helper/platform/linux/pulse_volume.h"
#include "helper/platform/linux/tesseract_recognizer.h"
#include "helper/platform/linux/turbojpeg_encoder.h"
#include "helper/platform/sim/sim_desktop.h"
#include "helper/platform/x11/x11_desktop.h"

int main(int argc, char** argv) {
  // glibc raises its mapping threshold after each large block it frees, up to 32 MiB, and then
  // keeps such blocks in its heaps; a fixed threshold gives every block over 256 KiB (a long
  // command line, the parser's copy of a long string) its own mapping, which goes back to the
  // system when freed.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  using parlevox::sim::SimDesktop;
  using parlevox::x11::X11Desktop;
  // The real X11 desktop for "x11", the scenario named by PARLEVOX_DESKTOP, or the built-in
  // demo desktop.
  std::unique_ptr<SimDesktop> simulated;
  std::unique_ptr<X11Desktop> real;
  parlevox::platform::Platform platform;
  const char* chosen = std::getenv("PARLEVOX_DESKTOP");
  if (chosen && std::string_view(chosen) == "x11") {
    auto opened = X11Desktop::open();
    if (auto* error = std::get_if<std::string>(&opened)) {
      std::fprintf(stderr, "parlevox-helper: %s\n", error->c_str());
      return 1;
    }
    real = std::move(std::get<std::unique_ptr<X11Desktop>>(opened));
    platform = real->platform();
  } else if (chosen && *chosen) {
    auto loaded = SimDesktop::fromFile(chosen);
    if (auto* error = std::get_if<std::string>(&loaded)) {
      std::fprintf(stderr, "parlevox-helper: %s\n", error->c_str());
      return 1;
    }
    simulated = std::move(std::get<std::unique_ptr<SimDesktop>>(loaded));
    platform = simulated->platform();
  } else {
    simulated = SimDesktop::demo();
    platform = simulated->platform();
  }
  // The scenario's volume when it defines one, else the real sound server's default output.
  parlevox::native::PulseVolume pulseVolume;
  if (!platform.volume) platform.volume = &pulseVolume;
  parlevox::native::FfmpegDecoder decoder;
  platform.audioDecoder = &decoder;
  // Window shots: the desktop captures, the pictures are really encoded and read.
  parlevox::native::TesseractRecognizer recognizer;
  platform.textRecognizer = &recognizer;
  parlevox::native::TurboJpegEncoder jpegEncoder;
  platform.imageEncoder = &jpegEncoder;
  return parlevox::runHelper(argc, argv, platform);
}
