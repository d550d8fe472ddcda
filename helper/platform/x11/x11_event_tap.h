// The X session's event system: XInput 2 raw key and button events of the whole session fed to
// the tap callback, passive grabs for the presses it may swallow, and XTest for posted keys.
#pragma once

#include <functional>
#include <memory>

#include "helper/platform/events.h"

namespace parlevox::x11 {

class X11KeyPoster;

/// Runs a task on the helper's main loop; safe from any thread.
using MainLoopPost = std::function<void(std::function<void()>)>;

class X11EventSystem final : public platform::EventSystem {
 public:
  /// How long a grabbed press keeps the keyboard frozen waiting for the callback's answer; past
  /// it the press goes on to the application and the callback is told the tap timed out.
  static constexpr double kDecisionTimeoutMs = 500;

  /// Connects to the display; nothing when it cannot be opened or lacks XInput 2.2 or XTest.
  /// Tap callbacks run through `post`, which may also be given later with `attachMainLoop`;
  /// until then the session's events pass without reaching the callback.
  static std::unique_ptr<X11EventSystem> open(MainLoopPost post, const char* display = nullptr);
  void attachMainLoop(MainLoopPost post);
  ~X11EventSystem() override;

  bool createTap(std::uint64_t mask, platform::TapCallback callback) override;
  void enableTap() override {}
  std::optional<platform::InputEvent> createKeyboardEvent(std::int64_t keyCode, bool down) override;
  void post(platform::TapLocation location, const platform::InputEvent& event) override;
  void postToProxy(platform::TapProxy proxy, const platform::InputEvent& event) override;
  bool keyIsDown(std::int64_t keyCode) override;
  /// Always false: no X request tells whether another client holds the keyboard without
  /// grabbing it, and a probing grab would send focus changes to the user's application.
  bool secureInputEnabled() override { return false; }
  void needSwallowing(const platform::SwallowNeeds& needs) override;

  /// Presses the callback asked to swallow that had already reached the application (they were
  /// not grabbed); the tap never counts them as swallowed.
  std::uint64_t missedSwallows() const;

  struct State;

 private:
  explicit X11EventSystem(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace parlevox::x11
