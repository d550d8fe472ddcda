// Mouse buttons at the event tap: watched extra buttons, own-click capture, activity reports.
#include "helper/keyboard/mouse_buttons.h"

#include <nlohmann/json.hpp>

#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/held_press.h"
#include "helper/keyboard/key_report.h"
#include "helper/keyboard/key_rules.h"
#include "helper/platform/key_codes.h"

namespace parlevox {
namespace {

// Own clicks count this many points around the application's element too.
constexpr double kOwnClickMargin = 2.0;

std::optional<std::string> buttonName(std::int64_t button) {
  if (button == 3) return "MouseButton4";
  if (button == 4) return "MouseButton5";
  return std::nullopt;
}

// Whether the point lies in the rectangle grown by the margin. The rectangle is first made to
// have a non-negative size; its minimum edges count as inside, its maximum edges do not.
bool insideGrown(const Rect& r, double x, double y) {
  double minX = r.w < 0 ? r.x + r.w : r.x, minY = r.h < 0 ? r.y + r.h : r.y;
  double width = r.w < 0 ? -r.w : r.w, height = r.h < 0 ? -r.h : r.h;
  minX -= kOwnClickMargin;
  minY -= kOwnClickMargin;
  width += 2 * kOwnClickMargin;
  height += 2 * kOwnClickMargin;
  return x >= minX && x < minX + width && y >= minY && y < minY + height;
}

// The "mouse" activity report for a press that nothing else took.
void reportMouse(Helper& h, std::optional<std::int64_t> button) {
  if (!shouldReportKeys(h.state.keyboard)) return;
  nlohmann::json event{{"t", "mouse"}, {"ts", h.now()}};
  if (button) event["button"] = *button;
  if (h.state.ownClicks.on) event["own"] = true;
  emit(event);
}

}  // namespace

bool ownClick(OwnClickState& s, double now, const platform::InputEvent& event) {
  const std::uint32_t type = event.type;
  const bool press = type == platform::kLeftMouseDown || type == platform::kRightMouseDown;
  if (press) {
    if (!s.on || !s.rect || !insideGrown(*s.rect, event.x, event.y)) return false;
    s.pressed.insert(event.buttonNumber);
  } else if (s.pressed.erase(event.buttonNumber) == 0) {
    return false;
  }
  const bool left = type == platform::kLeftMouseDown || type == platform::kLeftMouseUp;
  emit({{"t", "ownClick"},
        {"button", left ? 0 : 2},
        {"down", press},
        {"alt", (event.flags & platform::kOptionFlag) != 0},
        {"x", event.x},
        {"y", event.y},
        {"ts", now}});
  return true;
}

std::optional<std::string> watchedMouseButton(const KeyboardState& s,
                                              const platform::InputEvent& event) {
  auto name = buttonName(event.buttonNumber);
  if (name && s.watchedModifiers.contains(*name)) return name;
  return std::nullopt;
}

std::optional<platform::InputEvent> handleMouseDown(Helper& h, platform::TapProxy proxy,
                                                    const platform::InputEvent& event) {
  sendHeldPress(h, proxy);
  if (ownClick(h.state.ownClicks, h.now(), event)) return std::nullopt;
  reportMouse(h, std::nullopt);
  return event;
}

std::optional<platform::InputEvent> handleMouseUp(Helper& h, const platform::InputEvent& event) {
  if (ownClick(h.state.ownClicks, h.now(), event)) return std::nullopt;
  if (h.state.keyboard.swallowedMouseButtons.erase(event.buttonNumber) > 0) return std::nullopt;
  return event;
}

std::optional<platform::InputEvent> handleOtherMouseDown(Helper& h, platform::TapProxy proxy,
                                                         const platform::InputEvent& event) {
  auto& s = h.state.keyboard;
  if (auto name = watchedMouseButton(s, event)) {
    s.heldModifiers.insert(*name);
    modifierJoined(h, *name, proxy);
    s.swallowedMouseButtons.insert(event.buttonNumber);
    reportWatchedDown(h, *name);
    return std::nullopt;
  }
  sendHeldPress(h, proxy);
  reportMouse(h, event.buttonNumber);
  return event;
}

std::optional<platform::InputEvent> handleOtherMouseUp(Helper& h,
                                                       const platform::InputEvent& event) {
  auto& s = h.state.keyboard;
  if (auto name = watchedMouseButton(s, event)) {
    s.heldModifiers.erase(*name);
    s.swallowedMouseButtons.erase(event.buttonNumber);
    emit({{"t", "up"}, {"key", *name}, {"ts", h.now()}});
    return std::nullopt;
  }
  if (auto name = buttonName(event.buttonNumber)) s.heldModifiers.erase(*name);
  if (s.swallowedMouseButtons.erase(event.buttonNumber) > 0) return std::nullopt;
  return event;
}

}  // namespace parlevox
