// Running applications and this process's place among them.
#pragma once

namespace parlevox::platform {

class Workspace {
 public:
  virtual ~Workspace() = default;
  /// Makes this process a faceless one: no Dock icon, no menu bar, never activated.
  virtual void prohibitActivation() = 0;
};

}  // namespace parlevox::platform
