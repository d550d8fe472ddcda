// Simulated accessibility: requests to applications' user interfaces, recorded in order.
#pragma once

#include "helper/platform/accessibility.h"
#include "helper/platform/sim/recorder.h"

namespace parlevox::sim {

class SimAccessibility final : public platform::Accessibility {
 public:
  explicit SimAccessibility(Recorder& recorder) : recorder_(recorder) {}

  /// Records the request and reports success.
  platform::AXError setApplicationAttribute(std::int32_t pid, double messagingTimeoutSeconds,
                                            const std::string& name, bool value) override;

 private:
  Recorder& recorder_;
};

}  // namespace parlevox::sim
