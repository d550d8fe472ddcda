// Permissions on an X11 session: accessibility is trusted once its bus answered; any client of
// the X server may read the screen and watch input.
#pragma once

#include "helper/platform/permissions.h"

namespace parlevox::x11 {

class X11Permissions final : public platform::Permissions {
 public:
  explicit X11Permissions(bool accessibilityBusAnswered) : trusted_(accessibilityBusAnswered) {}
  bool accessibilityTrusted() override { return trusted_; }
  bool screenCaptureAllowed() override { return true; }
  bool requestScreenCapture() override { return true; }
  bool listenEventAllowed() override { return true; }
  bool requestListenEvent() override { return true; }

 private:
  bool trusted_;
};

}  // namespace parlevox::x11
