// How the simulated applications react to what reaches them: the keys they receive (copy, paste,
// Return, Right Arrow) and requests to come to the front.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "helper/platform/events.h"
#include "helper/platform/platform.h"
#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/sim/sim_input_sources.h"
#include "helper/platform/sim/sim_pasteboard.h"
#include "helper/platform/sim/sim_workspace.h"

namespace parlevox::sim {

/// What one application does when asked, from the "reacts" object of its scenario entry.
struct AppReactions {
  std::optional<double> activateAfterMs = 0;  // nothing: it never comes to the front
  std::optional<double> copyAfterMs = 0;      // nothing: Command+C does nothing
  std::optional<std::string> copyText;        // nothing: it copies its focused selection
};

class SimApps {
 public:
  SimApps(Recorder& recorder, SimWorkspace& workspace, SimPasteboard& pasteboard,
          SimInputSources& inputSources)
      : recorder_(recorder),
        workspace_(workspace),
        pasteboard_(pasteboard),
        inputSources_(inputSources) {}

  /// Reads the "reacts" object of every entry of the scenario's "apps".
  void load(const ScenarioReader& scenario);
  /// Delayed reactions run on the main loop through this timer; without one they never happen.
  void setTimer(platform::MainLoopTimer timer) { timer_ = std::move(timer); }
  /// Where an application's selected text comes from when its copy has no text of its own.
  void setSelectionSource(std::function<std::optional<std::string>(std::int32_t pid)> source) {
    selection_ = std::move(source);
  }

  /// A key event reached the frontmost application, which reacts to it.
  void received(const platform::InputEvent& event);
  /// The application with `pid` is asked to come to the front; false when it does not run.
  bool activate(std::int32_t pid);

 private:
  AppReactions reactionsOf(std::int32_t pid) const;
  /// Whether the key types `character` with Command held on the current keyboard layout.
  bool typesWithCommand(std::int64_t keyCode, char16_t character);
  void copy(std::int32_t pid);
  void later(double delayMs, std::function<void()> task);

  Recorder& recorder_;
  SimWorkspace& workspace_;
  SimPasteboard& pasteboard_;
  SimInputSources& inputSources_;
  std::map<std::int32_t, AppReactions> reactions_;
  platform::MainLoopTimer timer_;
  std::function<std::optional<std::string>(std::int32_t pid)> selection_;
};

}  // namespace parlevox::sim
