// Synthetic keys on the X session through XTest, with the modifiers the flags ask for, and the
// record of what was posted so that the helper's own tap recognises its keys as they come back.
#include "helper/platform/x11/x11_key_poster.h"

#include <X11/extensions/XTest.h>

#include <algorithm>

#include "helper/platform/key_codes.h"
#include "helper/platform/x11/x11_key_codes.h"
#include "helper/platform/x11/x11_session_display.h"

namespace parlevox::x11 {
namespace {

// Each modifier a flag asks for: the key pressed for it and the keys that already satisfy it.
struct ModifierClass {
  std::uint64_t flag;
  std::int64_t pressed;
  std::int64_t left, right;
};
constexpr ModifierClass kModifierClasses[] = {
    {platform::kShiftFlag, 56, 56, 60},
    {platform::kControlFlag, 59, 59, 62},
    {platform::kOptionFlag, 58, 58, 61},
    // Shortcuts take Control on X desktops where they take Command elsewhere.
    {platform::kCommandFlag, 59, 59, 62},
};

}  // namespace

void PostedKeys::note(unsigned keycode, bool down, double at) {
  std::lock_guard lock(mutex_);
  while (!posted_.empty() && posted_.front().at < at - kExpiryMs) posted_.pop_front();
  posted_.push_back({keycode, down, at});
}

bool PostedKeys::take(unsigned keycode, bool down, double at) {
  std::lock_guard lock(mutex_);
  while (!posted_.empty() && posted_.front().at < at - kExpiryMs) posted_.pop_front();
  auto it = std::find_if(posted_.begin(), posted_.end(),
                         [&](const Posted& p) { return p.keycode == keycode && p.down == down; });
  if (it == posted_.end()) return false;
  posted_.erase(it);
  return true;
}

struct X11KeyPoster::State {
  DisplayPtr display;
  std::mutex mutex;
  // Modifier keys pressed for a key's press, released with its release.
  std::map<std::int64_t, std::vector<unsigned>> pressedFor;
};

std::unique_ptr<X11KeyPoster> X11KeyPoster::open(const char* display) {
  auto state = std::make_unique<State>();
  state->display = openSessionDisplay(display);
  if (!state->display) return nullptr;
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(state->display.get(), &event, &error, &major, &minor)) return nullptr;
  return std::unique_ptr<X11KeyPoster>(new X11KeyPoster(std::move(state)));
}

X11KeyPoster::X11KeyPoster(std::unique_ptr<State> state) : state_(std::move(state)) {}
X11KeyPoster::~X11KeyPoster() = default;

bool X11KeyPoster::keyIsDown(std::int64_t code) {
  auto keycode = keycodeForVirtualKey(code);
  if (!keycode) return false;
  std::lock_guard lock(state_->mutex);
  char keys[32];
  XQueryKeymap(state_->display.get(), keys);
  return (keys[*keycode / 8] >> (*keycode % 8)) & 1;
}

bool X11KeyPoster::post(std::int64_t code, bool down, std::uint64_t flags) {
  auto keycode = keycodeForVirtualKey(code);
  if (!keycode) return false;
  std::lock_guard lock(state_->mutex);
  Display* d = state_->display.get();
  auto fake = [&](unsigned k, bool press) {
    posted_.note(k, press, nowMs());
    XTestFakeKeyEvent(d, k, press ? True : False, CurrentTime);
  };
  if (down) {
    char keys[32];
    XQueryKeymap(d, keys);
    auto isDown = [&](std::int64_t vk) {
      auto k = keycodeForVirtualKey(vk);
      return k && ((keys[*k / 8] >> (*k % 8)) & 1);
    };
    std::vector<unsigned> added;
    for (const auto& m : kModifierClasses) {
      if (!(flags & m.flag) || isDown(m.left) || isDown(m.right)) continue;
      auto k = keycodeForVirtualKey(m.pressed);
      if (!k || std::find(added.begin(), added.end(), *k) != added.end()) continue;
      fake(*k, true);
      added.push_back(*k);
    }
    fake(*keycode, true);
    auto& held = state_->pressedFor[code];
    held.insert(held.end(), added.begin(), added.end());
  } else {
    fake(*keycode, false);
    auto it = state_->pressedFor.find(code);
    if (it != state_->pressedFor.end()) {
      for (auto k = it->second.rbegin(); k != it->second.rend(); ++k) fake(*k, false);
      state_->pressedFor.erase(it);
    }
  }
  XFlush(d);
  return true;
}

}  // namespace parlevox::x11
