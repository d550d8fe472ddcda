// The simulated keyboard and mouse: key and button presses as the system would deliver them.
#include "helper/platform/sim/sim_input.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>

#include "helper/platform/key_codes.h"

namespace parlevox::sim {
namespace {

using platform::kNumericPadFlag;
using platform::kSecondaryFnFlag;

// Keys without a name in the helper's vocabulary, named for scripts and transcripts.
constexpr std::pair<std::string_view, std::int64_t> kExtraKeys[] = {
    {"Tab", 48},        {"Delete", 51},      {"ForwardDelete", 117},
    {"LeftArrow", 123}, {"RightArrow", 124}, {"DownArrow", 125},
    {"UpArrow", 126},   {"Home", 115},       {"End", 119},
    {"PageUp", 116},    {"PageDown", 121},   {"Help", 114},
    {"F1", 122},        {"F2", 120},         {"F3", 99},
    {"F4", 118},        {"F5", 96},          {"F6", 97},
    {"F7", 98},         {"F8", 100},         {"F9", 101},
    {"F10", 109},       {"F11", 103},        {"F12", 111},
    {"F13", 105},       {"F14", 107},        {"F15", 113},
    {"F16", 106},       {"F17", 64},         {"F18", 79},
    {"F19", 80},        {"F20", 90},         {"KeypadEnter", 76},
};

constexpr std::pair<std::string_view, std::int64_t> kMouseButtons[] = {
    {"MouseLeft", 0},    {"MouseRight", 1},   {"MouseMiddle", 2},
    {"MouseButton4", 3}, {"MouseButton5", 4},
};

// Bits the system sets on the key events of function and keypad keys.
std::uint64_t keyBits(std::int64_t code) {
  if (code >= 123 && code <= 126) return kNumericPadFlag | kSecondaryFnFlag;
  if (platform::isNonTypingKey(code) && code != platform::kEscapeKeyCode) return kSecondaryFnFlag;
  if (code == platform::kForwardDeleteKeyCode) return kSecondaryFnFlag;
  if (code == 65 || code == 67 || code == 69 || code == 71 || code == 75 || code == 76 ||
      code == 78 || (code >= 81 && code <= 92))
    return kNumericPadFlag;
  return 0;
}

std::uint32_t mouseType(std::int64_t button, bool down) {
  if (button == 0) return down ? platform::kLeftMouseDown : platform::kLeftMouseUp;
  if (button == 1) return down ? platform::kRightMouseDown : platform::kRightMouseUp;
  return down ? platform::kOtherMouseDown : platform::kOtherMouseUp;
}

}  // namespace

std::optional<Control> controlNamed(std::string_view name) {
  for (const auto& m : platform::modifierKeys())
    if (m.name == name)
      return Control{Control::Kind::modifier, m.code, m.mask | platform::independentFlag(m),
                     std::string(name)};
  for (auto [button, number] : kMouseButtons)
    if (button == name) return Control{Control::Kind::mouse, number, 0, std::string(name)};
  if (auto code = platform::keyCodeNamed(name))
    return Control{Control::Kind::key, *code, 0, std::string(name)};
  for (auto [key, code] : kExtraKeys)
    if (key == name) return Control{Control::Kind::key, code, 0, std::string(name)};
  std::int64_t code = -1;
  auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), code);
  if (error == std::errc() && end == name.data() + name.size() && code >= 0 && code < 128) {
    if (const auto* m = platform::modifierKeyFor(code)) return controlNamed(m->name);
    return Control{Control::Kind::key, code, 0, std::string(name)};
  }
  return std::nullopt;
}

std::optional<std::string> simKeyName(std::int64_t code) {
  if (const auto* m = platform::modifierKeyFor(code)) return std::string(m->name);
  if (auto name = platform::keyName(code)) return std::string(*name);
  for (auto [key, c] : kExtraKeys)
    if (c == code) return std::string(key);
  return std::nullopt;
}

std::uint64_t SimInput::modifierFlags() const {
  std::uint64_t flags = 0;
  for (auto code : heldModifiers_) {
    const auto* m = platform::modifierKeyFor(code);
    flags |= m->mask | platform::independentFlag(*m);
  }
  return flags;
}

void SimInput::moveTo(double x, double y) {
  x_ = x;
  y_ = y;
}

platform::InputEvent SimInput::eventFor(const Control& control, bool down) const {
  platform::InputEvent e;
  switch (control.kind) {
    case Control::Kind::modifier:
      e.type = platform::kFlagsChanged;
      e.keyCode = control.code;
      e.flags = modifierFlags();
      e.keyboardType = kSimKeyboardType;
      break;
    case Control::Kind::key:
      e.type = down ? platform::kKeyDown : platform::kKeyUp;
      e.keyCode = control.code;
      e.flags = modifierFlags() | keyBits(control.code);
      e.keyboardType = kSimKeyboardType;
      break;
    case Control::Kind::mouse:
      e.type = mouseType(control.code, down);
      e.buttonNumber = control.code;
      e.flags = modifierFlags();
      e.x = x_;
      e.y = y_;
      break;
  }
  return e;
}

void SimInput::press(const Control& control, bool unseen, std::int64_t userData) {
  // A modifier's own bit is in the flags of its press, so it joins the held ones first.
  if (control.kind == Control::Kind::modifier &&
      std::find(heldModifiers_.begin(), heldModifiers_.end(), control.code) == heldModifiers_.end())
    heldModifiers_.push_back(control.code);
  send(control, true, unseen, userData);
}

void SimInput::repeat(const Control& control) {
  if (control.kind != Control::Kind::key) return;
  auto e = eventFor(control, true);
  e.autorepeat = true;
  events_.deliver(e);
}

void SimInput::release(const Control& control, bool unseen, std::int64_t userData) {
  if (control.kind == Control::Kind::modifier) std::erase(heldModifiers_, control.code);
  send(control, false, unseen, userData);
}

void SimInput::send(const Control& control, bool down, bool unseen, std::int64_t userData) {
  if (unseen) {
    if (control.kind == Control::Kind::key) events_.setKeyDown(control.code, down);
    return;
  }
  auto e = eventFor(control, down);
  e.userData = userData;
  events_.deliver(e);
}

void SimInput::load(const ScenarioReader& scenario) {
  const auto& steps = scenario.array("input");
  double last = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    auto entry = scenario.element("input", i);
    entry.onlyKeys({"at", "press", "release", "repeat", "x", "y", "unseen"});
    Step step;
    step.at = entry.number("at", last);
    if (step.at < last) entry.fail("at", "a time no earlier than the step before");
    last = step.at;
    int actions = 0;
    for (auto [key, action] :
         {std::pair{"press", Step::Action::press}, std::pair{"release", Step::Action::release},
          std::pair{"repeat", Step::Action::repeat}}) {
      if (!entry.has(key)) continue;
      ++actions;
      step.action = action;
      auto name = entry.string(key, "");
      auto control = controlNamed(name);
      if (!control) entry.fail(key, "a key, modifier or mouse button name");
      step.control = *control;
    }
    if (actions != 1) entry.fail("press", "given, or else one of \"release\" and \"repeat\"");
    if (entry.has("x")) step.x = entry.number("x", 0);
    if (entry.has("y")) step.y = entry.number("y", 0);
    step.unseen = entry.boolean("unseen", false);
    script_.push_back(std::move(step));
  }
}

void SimInput::mainLoopStarting(platform::MainLoopTimer timer) {
  timer_ = std::move(timer);
  startScript();
}

void SimInput::tapCreated() {
  tapReady_ = true;
  startScript();
}

void SimInput::startScript() {
  if (started_ || !timer_ || !tapReady_ || script_.empty()) return;
  started_ = true;
  // Each step schedules the next one, so steps at the same time keep their order.
  timer_(script_.front().at, [this] { playStep(0); });
}

void SimInput::playStep(std::size_t index) {
  const Step& step = script_[index];
  if (step.x || step.y) moveTo(step.x.value_or(x_), step.y.value_or(y_));
  switch (step.action) {
    case Step::Action::press:
      press(step.control, step.unseen);
      break;
    case Step::Action::release:
      release(step.control, step.unseen);
      break;
    case Step::Action::repeat:
      repeat(step.control);
      break;
  }
  if (index + 1 < script_.size())
    timer_(script_[index + 1].at - step.at, [this, index] { playStep(index + 1); });
}

}  // namespace parlevox::sim
