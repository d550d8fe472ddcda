// Simulated event system: the session tap, posted events and key state, recorded in order.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "helper/platform/events.h"
#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"

namespace parlevox::sim {

class SimEvents final : public platform::EventSystem {
 public:
  explicit SimEvents(Recorder& recorder) : recorder_(recorder) {}
  /// Reads "eventTap" and "secureInput" of the scenario.
  void load(const ScenarioReader& scenario);

  bool createTap(std::uint64_t mask, platform::TapCallback callback) override;
  void enableTap() override;
  std::optional<platform::InputEvent> createKeyboardEvent(std::int64_t keyCode, bool down) override;
  void post(platform::TapLocation location, const platform::InputEvent& event) override;
  void postToProxy(platform::TapProxy proxy, const platform::InputEvent& event) override;
  bool keyIsDown(std::int64_t keyCode) override { return keysDown_.contains(keyCode); }
  bool secureInputEnabled() override;

  /// Passes one input event through the tap, as the system would, and records what the focused
  /// application receives. Without a tap the event goes straight through.
  void deliver(const platform::InputEvent& event);
  /// Marks a key as physically down or up without delivering anything.
  void setKeyDown(std::int64_t keyCode, bool down);
  /// Tells the tap that the system disabled it: by timeout, or else by user input.
  void disableTap(bool timeout);
  /// Called once a tap has been created.
  void onTapCreated(std::function<void()> action) { tapCreated_ = std::move(action); }
  /// Called with every event that reaches the frontmost application, after it is recorded.
  void onReceived(std::function<void(const platform::InputEvent&)> action) {
    received_ = std::move(action);
  }
  /// From now on (`on`) or no longer, events reach the application before the tap sees them, as
  /// on a desktop whose tap can only watch some presses: the tap's answer cannot keep them back.
  void watchOnly(bool on) { watchOnly_ = on; }
  /// Sets secure keyboard entry on or off from now on.
  void setSecureInput(bool on) { secureInput_ = on; }
  bool hasTap() const { return static_cast<bool>(callback_); }
  std::uint64_t tapMask() const { return mask_; }

 private:
  Recorder& recorder_;
  platform::TapCallback callback_;
  std::uint64_t mask_ = 0;
  bool tapAvailable_ = true;
  std::int64_t tapFailures_ = 0;  // attempts that fail before one succeeds
  bool secureInput_ = false;
  bool watchOnly_ = false;
  std::set<std::int64_t> keysDown_;
  std::function<void()> tapCreated_;
  std::function<void(const platform::InputEvent&)> received_;
  bool inCallback_ = false;  // events posted from inside the callback do not re-enter it
};

/// The recorded form of an event: what it is and its fields.
nlohmann::json describeEvent(const platform::InputEvent& event);

}  // namespace parlevox::sim
