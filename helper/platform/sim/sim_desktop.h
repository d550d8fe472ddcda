// The simulated desktop: every platform service answered from one JSON scenario.
#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <variant>

#include "helper/platform/platform.h"
#include "helper/platform/sim/ax_tree.h"
#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/sim_accessibility.h"
#include "helper/platform/sim/sim_apps.h"
#include "helper/platform/sim/sim_events.h"
#include "helper/platform/sim/sim_files.h"
#include "helper/platform/sim/sim_hot_keys.h"
#include "helper/platform/sim/sim_input.h"
#include "helper/platform/sim/sim_input_sources.h"
#include "helper/platform/sim/sim_pasteboard.h"
#include "helper/platform/sim/sim_permissions.h"
#include "helper/platform/sim/sim_screens.h"
#include "helper/platform/sim/sim_volume.h"
#include "helper/platform/sim/sim_window_capture.h"
#include "helper/platform/sim/sim_workspace.h"

namespace parlevox::sim {

class SimDesktop {
 public:
  using Loaded = std::variant<std::unique_ptr<SimDesktop>, std::string /* error message */>;

  /// A desktop from a parsed scenario; the error names the value that does not fit. Window
  /// pictures are read through `pictures`; without it, from files (relative to the working
  /// folder).
  static Loaded fromJson(const nlohmann::json& scenario, const PictureSource& pictures = {});
  /// A desktop from scenario text; `name` names the source in error messages, which give the
  /// line and column of text that is not JSON.
  static Loaded fromText(std::string_view text, const std::string& name,
                         const PictureSource& pictures = {});
  /// A desktop from a scenario file; window pictures are files relative to the scenario's folder.
  static Loaded fromFile(const std::string& path);
  /// The built-in demo desktop.
  static std::unique_ptr<SimDesktop> demo();
  /// The text of the built-in demo scenario.
  static std::string_view demoScenario();

  /// The services; `volume` is null when the scenario defines none.
  platform::Platform platform();

  Recorder recorder;
  SimPermissions permissions{recorder};
  SimEvents events{recorder};
  SimWorkspace workspace{recorder};
  SimVolume volume{recorder};
  SimScreens screens;
  bool hasVolume = false;
  SimInputSources inputSources;
  AXTree axTree;  // the applications' user interfaces
  SimAccessibility accessibility{axTree, recorder, permissions};
  SimFiles files;
  SimWindowCapture windowCapture{recorder};
  SimInput input{events};  // the keyboard and mouse, and the scenario's timed input
  SimPasteboard pasteboard{recorder};
  SimApps apps{recorder, workspace, pasteboard, inputSources};
  SimHotKeys hotKeys{recorder};

 private:
  // Hands the main loop's timer to everything on the desktop that acts on its own: the timed
  // input and the applications' delayed reactions.
  class MainLoopStart final : public platform::ScriptedInput {
   public:
    explicit MainLoopStart(SimDesktop& desktop) : desktop_(desktop) {}
    void mainLoopStarting(platform::MainLoopTimer timer) override;

   private:
    SimDesktop& desktop_;
  };

  SimDesktop() = default;
  MainLoopStart mainLoopStart_{*this};
};

}  // namespace parlevox::sim
