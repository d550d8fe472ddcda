// Running applications and the frontmost one from the window manager's lists (EWMH).
#pragma once

#include "helper/platform/workspace.h"
#include "helper/platform/x11/x11_connection.h"

namespace parlevox::x11 {

/// An application is a process owning at least one window of _NET_CLIENT_LIST; the frontmost
/// is the owner of _NET_ACTIVE_WINDOW. Its identifier is the window's GTK application id when
/// it has one, else the instance part of WM_CLASS; its name is the class part of WM_CLASS.
class X11Workspace final : public platform::Workspace {
 public:
  explicit X11Workspace(X11Connection& connection) : connection_(connection) {}
  std::optional<platform::RunningApp> frontmostApplication() override;
  std::vector<platform::RunningApp> runningApplications() override;
  /// Nothing to do: the helper opens no window.
  void prohibitActivation() override {}
  /// Not done by this service: activation comes with the key-posting services.
  bool activateApplication(std::int32_t pid) override;

 private:
  std::optional<platform::RunningApp> appOf(WindowId window);
  X11Connection& connection_;
};

}  // namespace parlevox::x11
