// Simulated event system: the session tap, posted events and key state, recorded in order.
#include "helper/platform/sim/sim_events.h"

namespace parlevox::sim {

namespace {

const char* typeName(std::uint32_t type) {
  switch (type) {
    case platform::kKeyDown:
      return "keyDown";
    case platform::kKeyUp:
      return "keyUp";
    case platform::kFlagsChanged:
      return "flagsChanged";
    case platform::kLeftMouseDown:
      return "leftMouseDown";
    case platform::kLeftMouseUp:
      return "leftMouseUp";
    case platform::kRightMouseDown:
      return "rightMouseDown";
    case platform::kRightMouseUp:
      return "rightMouseUp";
    case platform::kOtherMouseDown:
      return "otherMouseDown";
    case platform::kOtherMouseUp:
      return "otherMouseUp";
    default:
      return "other";
  }
}

bool isMouse(std::uint32_t type) {
  return type == platform::kLeftMouseDown || type == platform::kLeftMouseUp ||
         type == platform::kRightMouseDown || type == platform::kRightMouseUp ||
         type == platform::kOtherMouseDown || type == platform::kOtherMouseUp;
}

}  // namespace

nlohmann::json describeEvent(const platform::InputEvent& e) {
  nlohmann::json j{{"type", typeName(e.type)}};
  if (isMouse(e.type)) {
    j["button"] = e.buttonNumber;
    j["x"] = e.x;
    j["y"] = e.y;
  } else {
    j["code"] = e.keyCode;
    j["flags"] = e.flags;
    if (e.autorepeat) j["repeat"] = true;
  }
  if (e.userData != 0) j["mark"] = e.userData;
  return j;
}

void SimEvents::load(const ScenarioReader& scenario) {
  auto tap = scenario.object("eventTap");
  tapAvailable_ = tap.boolean("available", true);
  tapFailures_ = tap.integer("failAttempts", 0);
  secureInput_ = scenario.boolean("secureInput", false);
}

bool SimEvents::createTap(std::uint64_t mask, platform::TapCallback callback) {
  if (!tapAvailable_ || tapFailures_ > 0) {
    if (tapFailures_ > 0) --tapFailures_;
    recorder_.record({{"do", "createTap"}, {"ok", false}});
    return false;
  }
  mask_ = mask;
  callback_ = std::move(callback);
  recorder_.record({{"do", "createTap"}, {"ok", true}, {"mask", mask}});
  if (tapCreated_) tapCreated_();
  return true;
}

void SimEvents::enableTap() {
  recorder_.record({{"do", "enableTap"}});
}

std::optional<platform::InputEvent> SimEvents::createKeyboardEvent(std::int64_t keyCode,
                                                                   bool down) {
  platform::InputEvent e;
  e.type = down ? platform::kKeyDown : platform::kKeyUp;
  e.keyCode = keyCode;
  return e;
}

void SimEvents::post(platform::TapLocation location, const platform::InputEvent& event) {
  // Posted events enter the stream upstream of the session tap and pass through it.
  std::optional<platform::InputEvent> out = event;
  if (callback_ && !inCallback_ && event.type < 64 && (mask_ >> event.type & 1)) {
    inCallback_ = true;
    out = callback_(this, event);
    inCallback_ = false;
  }
  auto j = describeEvent(event);
  j["do"] = "post";
  j["at"] = location == platform::TapLocation::hid ? "hid" : "session";
  if (!out) j["swallowed"] = true;
  recorder_.record(std::move(j));
  if (out && received_) received_(*out);
}

void SimEvents::postToProxy(platform::TapProxy, const platform::InputEvent& event) {
  auto j = describeEvent(event);
  j["do"] = "post";
  j["at"] = "proxy";
  recorder_.record(std::move(j));
  if (received_) received_(event);
}

bool SimEvents::secureInputEnabled() {
  return secureInput_;
}

void SimEvents::setKeyDown(std::int64_t keyCode, bool down) {
  if (down)
    keysDown_.insert(keyCode);
  else
    keysDown_.erase(keyCode);
}

void SimEvents::disableTap(bool timeout) {
  if (!callback_) return;
  platform::InputEvent e;
  e.type = timeout ? platform::kTapDisabledByTimeout : platform::kTapDisabledByUserInput;
  inCallback_ = true;
  callback_(this, e);
  inCallback_ = false;
}

void SimEvents::deliver(const platform::InputEvent& event) {
  if (event.type == platform::kKeyDown) keysDown_.insert(event.keyCode);
  if (event.type == platform::kKeyUp) keysDown_.erase(event.keyCode);
  platform::InputEvent seen = event;
  seen.swallowable = !watchOnly_;
  std::optional<platform::InputEvent> out = seen;
  if (callback_ && event.type < 64 && (mask_ >> event.type & 1)) {
    inCallback_ = true;
    out = callback_(this, seen);
    inCallback_ = false;
  }
  if (watchOnly_) out = seen;
  auto j = describeEvent(event);
  j["do"] = out ? "receive" : "swallowed";
  recorder_.record(std::move(j));
  if (out && received_) received_(*out);
}

}  // namespace parlevox::sim
