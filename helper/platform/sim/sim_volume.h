// Simulated output volume, for scenarios that define one.
#pragma once

#include <mutex>
#include <optional>

#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/volume.h"

namespace parlevox::sim {

class SimVolume final : public platform::Volume {
 public:
  explicit SimVolume(Recorder& recorder) : recorder_(recorder) {}
  /// Reads the scenario's "volume" object; false when the scenario defines no volume.
  bool load(const ScenarioReader& scenario);

  std::optional<float> outputVolume() override;
  bool setOutputVolume(float volume) override;

 private:
  Recorder& recorder_;
  std::optional<float> level_;
  bool writable_ = true;
};

}  // namespace parlevox::sim
