// The default output's volume on the PulseAudio server (PipeWire's Pulse server answers alike).
#pragma once

#include "helper/platform/volume.h"

namespace parlevox::native {

/// Each call opens its own short connection, so the default sink is looked up afresh every time
/// and a restarted or replaced server is simply found again; no sound server is ever started.
class PulseVolume final : public platform::Volume {
 public:
  /// `timeoutMs` bounds each call as a whole (connecting, asking, waiting for the answer), so a
  /// hung server cannot hold the caller longer.
  explicit PulseVolume(int timeoutMs = 1500) : timeoutMs_(timeoutMs) {}

  /// The loudest channel of the default sink, linearly: the library's normal volume is 1.0;
  /// a boosted sink reads as 1.0.
  std::optional<float> outputVolume() override;
  /// Scales the default sink's channels so the loudest one is at `volume` (clamped to 0.0 to
  /// 1.0), keeping their balance.
  bool setOutputVolume(float volume) override;

 private:
  int timeoutMs_;
};

}  // namespace parlevox::native
