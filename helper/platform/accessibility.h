// The accessibility interface to other applications' user interfaces.
#pragma once

#include <cstdint>
#include <string>

namespace parlevox::platform {

/// Result codes of accessibility calls; 0 is success.
using AXError = std::int32_t;
inline constexpr AXError kAXSuccess = 0;

class Accessibility {
 public:
  virtual ~Accessibility() = default;
  /// On the application element of process `pid`: sets the messaging timeout, then sets the
  /// boolean attribute `name` to `value`. Safe from any thread.
  virtual AXError setApplicationAttribute(std::int32_t pid, double messagingTimeoutSeconds,
                                          const std::string& name, bool value) = 0;
};

}  // namespace parlevox::platform
