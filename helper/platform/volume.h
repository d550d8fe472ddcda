// The output volume of the default output device.
#pragma once

#include <optional>

namespace parlevox::platform {

class Volume {
 public:
  virtual ~Volume() = default;
  /// The default output's main volume, 0.0 to 1.0; nothing when there is no device or reading
  /// fails. The device is looked up afresh on every call.
  virtual std::optional<float> outputVolume() = 0;
  /// Sets the default output's main volume, clamped to 0.0 to 1.0; false when there is no device
  /// or writing fails.
  virtual bool setOutputVolume(float volume) = 0;
};

}  // namespace parlevox::platform
