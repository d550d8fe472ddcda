// Simulated window capture: the scenario's shareable windows and their pictures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/window_capture.h"

namespace parlevox::sim {

/// The bytes of the picture file a scenario names, or why it cannot be read.
using PictureSource =
    std::function<std::variant<std::vector<std::uint8_t>, std::string>(const std::string& name)>;

/// Pictures read from files; a relative name is taken from `folder`.
PictureSource picturesInFolder(std::string folder);

class SimWindowCapture final : public platform::WindowCapture {
 public:
  /// Captures are not shown larger than this on either side; a larger size fails.
  static constexpr std::int64_t kMaxSide = 8192;

  explicit SimWindowCapture(Recorder& recorder);
  /// Reads "windows" and "windowsError"; each window's picture is read through `pictures` and
  /// must be a PNG.
  void load(const ScenarioReader& scenario, const PictureSource& pictures);

  Windows shareableWindows() override;
  Captured captureWindow(std::uint32_t windowId, std::int64_t width, std::int64_t height,
                         bool showsCursor) override;

 private:
  struct Window {
    platform::ShareableWindow shared;
    bool onScreen = true;
    std::shared_ptr<const std::vector<std::uint8_t>> picture;  // PNG bytes; null: plain white
    std::optional<std::string> captureError;
  };
  Recorder& recorder_;
  std::vector<Window> windows_;  // fixed once loaded, so any thread may read it
  std::optional<std::string> windowsError_;
};

}  // namespace parlevox::sim
