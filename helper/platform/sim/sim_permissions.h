// Simulated permissions: granted or not as the scenario says, requests recorded.
#pragma once

#include "helper/platform/permissions.h"
#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"

namespace parlevox::sim {

class SimPermissions final : public platform::Permissions {
 public:
  explicit SimPermissions(Recorder& recorder) : recorder_(recorder) {}
  /// Reads the scenario's "permissions" object.
  void load(const ScenarioReader& scenario);

  bool accessibilityTrusted() override { return accessibility_; }
  bool screenCaptureAllowed() override { return screen_; }
  bool requestScreenCapture() override;
  bool listenEventAllowed() override { return listen_; }
  bool requestListenEvent() override;

 private:
  Recorder& recorder_;
  bool accessibility_ = true;
  bool screen_ = true;
  bool listen_ = true;
  bool grantOnRequest_ = false;
};

}  // namespace parlevox::sim
