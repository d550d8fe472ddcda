// Running applications and this process's place among them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace parlevox::platform {

enum class ActivationPolicy { regular, accessory, prohibited };

/// What the workspace knows of one running application.
struct RunningApp {
  std::int32_t pid = 0;
  std::optional<std::string> bundleId;
  std::optional<std::string> localizedName;
  std::optional<std::string> bundlePath;  // file-system path of the bundle location
  ActivationPolicy activationPolicy = ActivationPolicy::regular;
  bool terminated = false;
};

class Workspace {
 public:
  virtual ~Workspace() = default;
  /// The application in front, if any.
  virtual std::optional<RunningApp> frontmostApplication() = 0;
  /// Every running application, in the workspace's order.
  virtual std::vector<RunningApp> runningApplications() = 0;
  /// Makes this process a faceless one: no Dock icon, no menu bar, never activated.
  virtual void prohibitActivation() = 0;
  /// Asks the application with `pid` to come to the front, without options. True when the
  /// request was passed on; the application comes to the front some time later, or never.
  virtual bool activateApplication(std::int32_t pid) = 0;
};

}  // namespace parlevox::platform
