// Simulated accessibility: requests to applications' user interfaces, recorded in order.
#include "helper/platform/sim/sim_accessibility.h"

namespace parlevox::sim {

platform::AXError SimAccessibility::setApplicationAttribute(std::int32_t pid,
                                                            double messagingTimeoutSeconds,
                                                            const std::string& name, bool value) {
  recorder_.record({{"do", "axSetAttribute"},
                    {"pid", pid},
                    {"timeout", messagingTimeoutSeconds},
                    {"attribute", name},
                    {"value", value}});
  return platform::kAXSuccess;
}

}  // namespace parlevox::sim
