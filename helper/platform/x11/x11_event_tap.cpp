// The X session's event system: XInput 2 raw key and button events of the whole session fed to
// the tap callback, passive grabs for the presses it may swallow, and XTest for posted keys.
#include "helper/platform/x11/x11_event_tap.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "helper/platform/key_codes.h"
#include "helper/platform/x11/x11_key_codes.h"
#include "helper/platform/x11/x11_key_poster.h"
#include "helper/platform/x11/x11_session_display.h"
#include "helper/platform/x11/x11_wake_pipe.h"

namespace parlevox::x11 {
namespace {

// How long a raw press of a grabbed key waits for the grab's own event of the same press, which
// the server sends right behind it; when none comes the press was not grabbed after all.
constexpr double kGrabEventWaitMs = 30;
// How long a callback that has started on the main loop may still take once the decision
// timeout has passed.
constexpr double kRunningCallbackGraceMs = 2000;

// X modifier masks for the device-independent flags a swallow rule holds.
unsigned xModifiers(std::uint64_t flags) {
  unsigned mods = 0;
  if (flags & platform::kShiftFlag) mods |= ShiftMask;
  if (flags & platform::kControlFlag) mods |= ControlMask;
  if (flags & platform::kOptionFlag) mods |= Mod1Mask;
  if (flags & platform::kCommandFlag) mods |= Mod4Mask;
  return mods;
}

// The callback, shared with tasks queued on the main loop that may outlive the event system.
struct CallbackBox {
  platform::TapCallback callback;
};

struct Pending {
  unsigned keycode = 0;
  bool down = true;
  int sourceid = 0;
  bool repeat = false;
  double deadline = 0;
};

}  // namespace

struct X11EventSystem::State {
  std::mutex postMutex;
  MainLoopPost mainPostFunction;  // guarded by postMutex
  std::unique_ptr<X11KeyPoster> poster;
  DisplayPtr display;
  Window root = None;
  int xiOpcode = 0;
  int keyboardId = 0;
  std::set<int> xtestDevices;
  WakePipe wake;  // before the thread, which uses it until joined
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> mask{0};
  std::atomic<std::uint64_t> missed{0};
  std::shared_ptr<CallbackBox> box = std::make_shared<CallbackBox>();

  std::mutex mutex;
  std::optional<platform::SwallowNeeds> wanted;  // guarded by mutex; applied by the thread
  bool selecting = false;                        // guarded by mutex

  // Tap thread only.
  platform::SwallowNeeds applied;
  std::set<std::pair<unsigned, unsigned>> grabs;  // keycode, X modifiers (XIAnyModifier: all)
  std::set<std::int64_t> heldModifiers;           // virtual codes of the user's modifier keys
  // Keycodes whose grabbed press was swallowed, until release: while there is one, the server
  // hands every key to the helper (the passive grab has become an active one).
  std::mutex swallowedMutex;
  std::set<unsigned> swallowedDown;  // guarded by swallowedMutex; written by the tap thread
  // Keys let through while a swallowed press holds the keyboard, in order (keycode, down): the
  // application gets them once the hold ends. Guarded by swallowedMutex.
  std::vector<std::pair<unsigned, bool>> deferred;
  // Keycodes whose press reached the application as the helper's own key after a hold while
  // the user still held them: the helper's copy is released with the user's release.
  std::set<unsigned> relayedDown;  // guarded by swallowedMutex
  std::optional<Pending> pending;
  bool selected = false;

  ~State() {
    stop = true;
    wake.wake();
    if (thread.joinable()) thread.join();
  }

  // Queues a task on the main loop; false while there is none to queue on.
  bool mainPost(std::function<void()> task) {
    std::lock_guard lock(postMutex);
    if (!mainPostFunction) return false;
    mainPostFunction(std::move(task));
    return true;
  }

  void wakeUp() { wake.wake(); }

  std::uint64_t currentFlags() const {
    std::uint64_t flags = 0;
    for (auto code : heldModifiers) {
      if (const auto* key = platform::modifierKeyFor(code))
        flags |= key->mask | platform::independentFlag(*key);
    }
    return flags;
  }

  bool grabbed(unsigned keycode) const {
    auto it = grabs.lower_bound({keycode, 0});
    return it != grabs.end() && it->first == keycode;
  }

  // The tap's form of a key event; nothing for keys without a virtual code and for the
  // modifier presses XTest made around the helper's own keys (posted flags raise no separate
  // modifier events).
  std::optional<platform::InputEvent> keyEvent(unsigned keycode, bool down, bool repeat,
                                               int sourceid) {
    auto code = virtualKeyForKeycode(keycode);
    if (!code) return std::nullopt;
    const bool ours =
        xtestDevices.contains(sourceid) && poster->posted().take(keycode, down, nowMs());
    platform::InputEvent e;
    e.keyCode = *code;
    e.autorepeat = repeat;
    e.keyboardType = 40;
    if (ours) e.userData = platform::syntheticMark;
    if (platform::modifierKeyFor(*code)) {
      if (ours) return std::nullopt;
      if (repeat) return std::nullopt;
      if (down)
        heldModifiers.insert(*code);
      else
        heldModifiers.erase(*code);
      e.type = platform::kFlagsChanged;
      e.flags = currentFlags();
      return e;
    }
    e.type = down ? platform::kKeyDown : platform::kKeyUp;
    e.flags = currentFlags() | keyClassFlags(*code);
    return e;
  }

  std::optional<platform::InputEvent> buttonEvent(unsigned button, bool down) {
    platform::InputEvent e;
    switch (button) {
      case 1:
        e.type = down ? platform::kLeftMouseDown : platform::kLeftMouseUp;
        e.buttonNumber = 0;
        break;
      case 3:
        e.type = down ? platform::kRightMouseDown : platform::kRightMouseUp;
        e.buttonNumber = 1;
        break;
      case 2:
      case 8:
      case 9:
        e.type = down ? platform::kOtherMouseDown : platform::kOtherMouseUp;
        e.buttonNumber = button == 2 ? 2 : button - 5;
        break;
      default:
        return std::nullopt;  // wheel steps and unnamed buttons
    }
    Window rootReturn, child;
    int rootX = 0, rootY = 0, winX, winY;
    unsigned state;
    XQueryPointer(display.get(), root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &state);
    e.x = rootX;
    e.y = rootY;
    e.flags = currentFlags();
    return e;
  }

  bool inMask(const platform::InputEvent& e) const {
    return e.type < 64 && ((mask.load() >> e.type) & 1);
  }

  // An event that has already reached the application: the callback sees it, its answer cannot
  // keep it back. An answer to swallow is counted, never carried out.
  void tell(platform::InputEvent e) {
    if (!inMask(e)) return;
    e.swallowable = false;
    auto shared = box;
    auto* proxy = this;
    auto* missedCount = &missed;
    mainPost([shared, e, proxy, missedCount] {
      if (!shared->callback) return;
      if (!shared->callback(proxy, e) && e.type != platform::kTapDisabledByTimeout)
        missedCount->fetch_add(1);
    });
  }

  // An event the tap holds: the callback's answer on the main loop, or nothing when it did not
  // come in time (the callback is then not run for it at all).
  std::optional<std::optional<platform::InputEvent>> ask(const platform::InputEvent& e) {
    if (!inMask(e)) return std::optional<platform::InputEvent>(e);
    auto result = std::make_shared<std::promise<std::optional<platform::InputEvent>>>();
    auto phase = std::make_shared<std::atomic<int>>(0);  // 0 waiting, 1 running, 2 abandoned
    auto future = result->get_future();
    auto shared = box;
    auto* proxy = this;
    const bool queued = mainPost([shared, e, proxy, result, phase] {
      int expected = 0;
      if (!phase->compare_exchange_strong(expected, 1)) return;
      result->set_value(shared->callback ? shared->callback(proxy, e)
                                         : std::optional<platform::InputEvent>(e));
    });
    if (!queued) return std::optional<platform::InputEvent>(e);
    using Ms = std::chrono::duration<double, std::milli>;
    if (future.wait_for(Ms(kDecisionTimeoutMs)) == std::future_status::ready) return future.get();
    int expected = 0;
    if (phase->compare_exchange_strong(expected, 2)) return std::nullopt;
    if (future.wait_for(Ms(kRunningCallbackGraceMs)) == std::future_status::ready)
      return future.get();
    return std::nullopt;
  }

  void timedOut() {
    platform::InputEvent off;
    off.type = platform::kTapDisabledByTimeout;
    auto shared = box;
    auto* proxy = this;
    mainPost([shared, off, proxy] {
      if (shared->callback) shared->callback(proxy, off);
    });
  }

  void flushPending() {
    if (!pending) return;
    const Pending p = *pending;
    pending.reset();
    if (auto e = keyEvent(p.keycode, p.down, p.repeat, p.sourceid)) tell(*e);
  }

  bool activeGrab() {
    std::lock_guard lock(swallowedMutex);
    return !swallowedDown.empty();
  }

  // Ends the active grab of a swallowed press (from any thread), so that a key posted now
  // reaches the application instead of the helper; the keys let through meanwhile go first.
  void releaseKeyboard() {
    {
      std::lock_guard lock(swallowedMutex);
      if (swallowedDown.empty()) return;
      swallowedDown.clear();
    }
    XIUngrabDevice(display.get(), keyboardId, CurrentTime);
    XSync(display.get(), False);
    deliverDeferred();
    wakeUp();  // the sync may have queued events the tap thread has not seen
  }

  // A key the callback let through while a swallowed press held the keyboard. The hold took it
  // from the application, so it is posted as the helper's own once the hold is over. A release
  // whose press reached the application before the hold cannot be given again: XTest releases
  // only keys it pressed itself.
  void deferLetThrough(unsigned keycode, bool down) {
    std::lock_guard lock(swallowedMutex);
    const bool pressedInHold = std::any_of(deferred.begin(), deferred.end(), [&](const auto& k) {
      return k.first == keycode && k.second;
    });
    if (down || pressedInHold) deferred.emplace_back(keycode, down);
  }

  // Posts the keys let through during the hold that has just ended, in their order.
  void deliverDeferred() {
    std::vector<std::pair<unsigned, bool>> keys;
    {
      std::lock_guard lock(swallowedMutex);
      keys.swap(deferred);
      for (const auto& [keycode, down] : keys)
        if (down)
          relayedDown.insert(keycode);
        else
          relayedDown.erase(keycode);
    }
    for (const auto& [keycode, down] : keys)
      if (auto code = virtualKeyForKeycode(keycode)) poster->post(*code, down, 0);
  }

  // The user released a key whose press the helper gave the application after a hold: the
  // helper's copy of the press is released too, so that no key stays down.
  void releaseRelayed(unsigned keycode, int sourceid) {
    if (xtestDevices.contains(sourceid)) return;
    {
      std::lock_guard lock(swallowedMutex);
      if (!relayedDown.erase(keycode)) return;
    }
    if (auto code = virtualKeyForKeycode(keycode)) poster->post(*code, false, 0);
  }

  void rawEvent(const XIRawEvent& raw) {
    const auto keycode = static_cast<unsigned>(raw.detail);
    switch (raw.evtype) {
      case XI_RawKeyPress:
      case XI_RawKeyRelease: {
        flushPending();
        const bool down = raw.evtype == XI_RawKeyPress;
        const bool repeat = (raw.flags & XIKeyRepeat) != 0;
        if ((down && grabbed(keycode)) || activeGrab()) {
          // The grab's event of this key follows; it is the one the callback decides on.
          pending = Pending{keycode, down, raw.sourceid, repeat, nowMs() + kGrabEventWaitMs};
          return;
        }
        if (auto e = keyEvent(keycode, down, repeat, raw.sourceid)) tell(*e);
        if (!down) releaseRelayed(keycode, raw.sourceid);
        return;
      }
      case XI_RawButtonPress:
      case XI_RawButtonRelease:
        flushPending();
        if (auto e =
                buttonEvent(static_cast<unsigned>(raw.detail), raw.evtype == XI_RawButtonPress))
          tell(*e);
        return;
      default:
        return;
    }
  }

  void grabEvent(const XIDeviceEvent& event) {
    const auto keycode = static_cast<unsigned>(event.detail);
    const bool down = event.evtype == XI_KeyPress;
    const bool repeat = (event.flags & XIKeyRepeat) != 0;
    if (pending && pending->keycode == keycode && pending->down == down)
      pending.reset();
    else
      flushPending();
    // A press that activates a passive grab freezes the keyboard; while a swallowed press holds
    // the keyboard every key comes here without freezing anything.
    const bool frozen = down && !activeGrab();
    auto e = keyEvent(keycode, down, repeat, event.sourceid);
    std::optional<std::optional<platform::InputEvent>> answer;
    if (e) answer = ask(*e);
    if (!e) answer = std::optional<platform::InputEvent>(platform::InputEvent{});
    if (!answer) timedOut();
    const bool pass = !answer || answer->has_value();
    Display* d = display.get();
    if (frozen) {
      // A passive grab froze the keyboard on this press: it goes on to the application as if
      // never grabbed, or stays here with the rest of its press.
      XIAllowEvents(d, event.deviceid, pass ? XIReplayDevice : XIAsyncDevice, CurrentTime);
      if (!pass) {
        std::lock_guard lock(swallowedMutex);
        swallowedDown.insert(keycode);
      }
    } else if (pass && e && e->userData != platform::syntheticMark) {
      // The keyboard is held for a swallowed press: a key let through reaches the application
      // as the helper's own once that press is over, or at once when the helper's own key
      // (posted by the callback) has already ended the hold.
      if (activeGrab())
        deferLetThrough(keycode, down);
      else
        poster->post(e->keyCode, down, 0);
    }
    if (!down && e && e->userData != platform::syntheticMark)
      releaseRelayed(keycode, event.sourceid);
    bool holdEnded = false;
    if (!down) {
      std::lock_guard lock(swallowedMutex);
      holdEnded = swallowedDown.erase(keycode) > 0 && swallowedDown.empty();
    }
    // The server ended the grab with this release: what was kept back goes on now.
    if (holdEnded) deliverDeferred();
    XFlush(d);
  }

  void applyGrabs(const platform::SwallowNeeds& needs) {
    Display* d = display.get();
    std::set<std::pair<unsigned, unsigned>> target;
    if (needs.everyKey) {
      for (unsigned k = 8; k < 256; ++k) target.insert({k, XIAnyModifier});
    } else {
      for (const auto& c : needs.combinations) {
        auto keycode = keycodeForVirtualKey(c.keyCode);
        if (!keycode) continue;
        const unsigned mods = xModifiers(c.flags);
        // The grab matches the exact modifier state: Caps Lock and Num Lock in any position.
        for (unsigned locks :
             {0u, unsigned{LockMask}, unsigned{Mod2Mask}, unsigned{LockMask | Mod2Mask}})
          target.insert({*keycode, mods | locks});
      }
    }
    for (const auto& g : grabs) {
      if (target.contains(g)) continue;
      XIGrabModifiers mods{static_cast<int>(g.second), 0};
      XIUngrabKeycode(d, keyboardId, static_cast<int>(g.first), root, 1, &mods);
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XISetMask(bits, XI_KeyRelease);
    XIEventMask eventMask{keyboardId, sizeof bits, bits};
    for (const auto& g : target) {
      if (grabs.contains(g)) continue;
      XIGrabModifiers mods{static_cast<int>(g.second), 0};
      // A combination another client holds stays theirs; its presses are only watched.
      XIGrabKeycode(d, keyboardId, static_cast<int>(g.first), root, XIGrabModeSync, XIGrabModeAsync,
                    False, &eventMask, 1, &mods);
    }
    grabs = std::move(target);
    applied = needs;
    XFlush(d);
  }

  void select() {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask eventMask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display.get(), root, &eventMask, 1);
    XFlush(display.get());
    selected = true;
  }

  void run() {
    Display* d = display.get();
    while (!stop) {
      double timeout = 1000;
      if (pending) timeout = std::max(0.0, pending->deadline - nowMs());
      if (!wake.wait(d, timeout)) break;
      std::optional<platform::SwallowNeeds> needs;
      bool startSelecting = false;
      {
        std::lock_guard lock(mutex);
        needs.swap(wanted);
        startSelecting = selecting && !selected;
      }
      if (startSelecting) select();
      if (needs && *needs != applied) applyGrabs(*needs);
      while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type != GenericEvent || event.xcookie.extension != xiOpcode) continue;
        if (!XGetEventData(d, &event.xcookie)) continue;
        switch (event.xcookie.evtype) {
          case XI_RawKeyPress:
          case XI_RawKeyRelease:
          case XI_RawButtonPress:
          case XI_RawButtonRelease:
            rawEvent(*static_cast<XIRawEvent*>(event.xcookie.data));
            break;
          case XI_KeyPress:
          case XI_KeyRelease:
            grabEvent(*static_cast<XIDeviceEvent*>(event.xcookie.data));
            break;
          default:
            break;
        }
        XFreeEventData(d, &event.xcookie);
      }
      if (pending && nowMs() >= pending->deadline) flushPending();
    }
  }
};

std::unique_ptr<X11EventSystem> X11EventSystem::open(MainLoopPost post, const char* display) {
  auto state = std::make_unique<State>();
  state->mainPostFunction = std::move(post);
  state->poster = X11KeyPoster::open(display);
  state->display = openSessionDisplay(display);
  if (!state->poster || !state->display) return nullptr;
  Display* d = state->display.get();
  int event = 0, error = 0, major = 2, minor = 2;
  if (!XQueryExtension(d, "XInputExtension", &state->xiOpcode, &event, &error)) return nullptr;
  if (XIQueryVersion(d, &major, &minor) != Success) return nullptr;
  state->root = DefaultRootWindow(d);
  int count = 0;
  XIDeviceInfo* devices = XIQueryDevice(d, XIAllDevices, &count);
  for (int i = 0; i < count; ++i) {
    if (devices[i].use == XIMasterKeyboard && state->keyboardId == 0)
      state->keyboardId = devices[i].deviceid;
    // The XTest devices carry every synthetic event, the helper's own among them.
    if ((devices[i].use == XISlaveKeyboard || devices[i].use == XISlavePointer) &&
        std::strstr(devices[i].name, "XTEST"))
      state->xtestDevices.insert(devices[i].deviceid);
  }
  if (devices) XIFreeDeviceInfo(devices);
  if (state->keyboardId == 0 || !state->wake.ok()) return nullptr;
  State* raw = state.get();
  state->thread = std::thread([raw] { raw->run(); });
  return std::unique_ptr<X11EventSystem>(new X11EventSystem(std::move(state)));
}

X11EventSystem::X11EventSystem(std::unique_ptr<State> state) : state_(std::move(state)) {}

void X11EventSystem::attachMainLoop(MainLoopPost post) {
  std::lock_guard lock(state_->postMutex);
  state_->mainPostFunction = std::move(post);
}
X11EventSystem::~X11EventSystem() {
  state_->box->callback = nullptr;
}

bool X11EventSystem::createTap(std::uint64_t mask, platform::TapCallback callback) {
  state_->box->callback = std::move(callback);
  state_->mask = mask;
  {
    std::lock_guard lock(state_->mutex);
    state_->selecting = true;
  }
  state_->wakeUp();
  return true;
}

std::optional<platform::InputEvent> X11EventSystem::createKeyboardEvent(std::int64_t keyCode,
                                                                        bool down) {
  if (!keycodeForVirtualKey(keyCode)) return std::nullopt;
  platform::InputEvent e;
  e.type = down ? platform::kKeyDown : platform::kKeyUp;
  e.keyCode = keyCode;
  return e;
}

void X11EventSystem::post(platform::TapLocation, const platform::InputEvent& event) {
  switch (event.type) {
    case platform::kKeyDown:
    case platform::kKeyUp:
      // A swallowed press holding the keyboard would take the posted key too.
      state_->releaseKeyboard();
      state_->poster->post(event.keyCode, event.type == platform::kKeyDown, event.flags);
      return;
    case platform::kFlagsChanged:
      if (const auto* key = platform::modifierKeyFor(event.keyCode))
        state_->poster->post(event.keyCode, (event.flags & key->mask) != 0, 0);
      return;
    default:
      return;  // the helper posts no mouse events
  }
}

void X11EventSystem::postToProxy(platform::TapProxy, const platform::InputEvent& event) {
  post(platform::TapLocation::session, event);
}

bool X11EventSystem::keyIsDown(std::int64_t keyCode) {
  return state_->poster->keyIsDown(keyCode);
}

void X11EventSystem::needSwallowing(const platform::SwallowNeeds& needs) {
  {
    std::lock_guard lock(state_->mutex);
    state_->wanted = needs;
  }
  state_->wakeUp();
}

std::uint64_t X11EventSystem::missedSwallows() const {
  return state_->missed.load();
}

}  // namespace parlevox::x11
