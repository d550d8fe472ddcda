// Permission checks and requests: accessibility trust, screen recording, listening to input.
#pragma once

namespace parlevox::platform {

class Permissions {
 public:
  virtual ~Permissions() = default;
  /// Whether this process is trusted for accessibility. Never prompts.
  virtual bool accessibilityTrusted() = 0;
  /// Whether screen recording is allowed. Never prompts.
  virtual bool screenCaptureAllowed() = 0;
  /// Asks the system for screen-recording permission; returns whether it is allowed afterwards.
  virtual bool requestScreenCapture() = 0;
  /// Whether listening to input events is allowed. Never prompts.
  virtual bool listenEventAllowed() = 0;
  /// Asks the system for input-listening permission; returns whether it is allowed afterwards.
  virtual bool requestListenEvent() = 0;
};

}  // namespace parlevox::platform
