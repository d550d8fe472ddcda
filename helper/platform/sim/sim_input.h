// The simulated keyboard and mouse: key and button presses as the system would deliver them.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helper/platform/platform.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/sim/sim_events.h"

namespace parlevox::sim {

/// A key or mouse button of the simulated devices.
struct Control {
  enum class Kind { key, modifier, mouse } kind = Kind::key;
  std::int64_t code = 0;    // key code (keys and modifiers) or button number (mouse)
  std::uint64_t flags = 0;  // modifiers: the bits the key holds while down
  std::string name;         // the name it was found by
};

/// The control with this name: a key name ("Space", "KeyA", "Delete", "F5" …), a modifier
/// ("LeftOption" …), a mouse button ("MouseLeft", "MouseRight", "MouseMiddle", "MouseButton4",
/// "MouseButton5") or a decimal key code. Nothing for other names.
std::optional<Control> controlNamed(std::string_view name);
/// The name the simulated devices use for a key code, if it has one.
std::optional<std::string> simKeyName(std::int64_t code);

/// The keyboard type the simulated keyboard reports in its key events.
inline constexpr std::int64_t kSimKeyboardType = 40;

class SimInput final : public platform::ScriptedInput {
 public:
  explicit SimInput(SimEvents& events) : events_(events) {}

  /// Reads a step of the script that changes the desktop rather than pressing a key: its action,
  /// or nothing when the step is no such change.
  using ChangeReader =
      std::function<std::optional<std::function<void()>>(const ScenarioReader& step)>;

  /// Reads the scenario's timed "input" script; `changes` reads its other steps.
  void load(const ScenarioReader& scenario, const ChangeReader& changes = nullptr);

  /// A press: key down, flags changed for a modifier, button down for a mouse button. An unseen
  /// press changes the device state (held modifiers, flags) without delivering an event, like a
  /// key already down before the tap existed. `userData` goes into the event's source user data.
  void press(const Control& control, bool unseen = false, std::int64_t userData = 0);
  /// An auto-repeat key down of a key (not a modifier or button).
  void repeat(const Control& control);
  void release(const Control& control, bool unseen = false, std::int64_t userData = 0);
  /// Moves the pointer; later mouse events happen there.
  void moveTo(double x, double y);
  /// Device-independent and device-dependent flags of the modifiers held now.
  std::uint64_t modifierFlags() const;

  /// Starts the input script once both the main loop and the event tap exist; the script's times
  /// count from then.
  void mainLoopStarting(platform::MainLoopTimer timer) override;
  void tapCreated();

 private:
  struct Step {
    double at = 0;
    enum class Action { press, release, repeat, change } action = Action::press;
    Control control;
    std::function<void()> change;
    std::optional<double> x, y;
    bool unseen = false;
  };
  void startScript();
  void playStep(std::size_t index);

  SimEvents& events_;
  /// The event a press (`down`) or release of the control delivers, with the flags of now.
  platform::InputEvent eventFor(const Control& control, bool down) const;
  /// Delivers the press or release, or for an unseen one only changes the key state.
  void send(const Control& control, bool down, bool unseen, std::int64_t userData);

  std::vector<std::int64_t> heldModifiers_;  // modifier key codes held now, in press order
  double x_ = 0, y_ = 0;
  std::vector<Step> script_;
  platform::MainLoopTimer timer_;
  bool tapReady_ = false, started_ = false;
};

}  // namespace parlevox::sim
