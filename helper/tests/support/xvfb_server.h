// A bare X server of the test's own (Xvfb on a free display), ended when the test ends.
#pragma once

#include <sys/types.h>

#include <string>

namespace parlevox::testing {

class XvfbServer {
 public:
  /// Starts Xvfb and waits until it accepts connections; `display()` is empty when it could not.
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  /// The display name, ":N".
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace parlevox::testing
