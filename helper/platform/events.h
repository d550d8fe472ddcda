// Keyboard and mouse events: the session event tap, event creation and posting, key state.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace parlevox::platform {

/// Event types as the system numbers them.
enum EventType : std::uint32_t {
  kLeftMouseDown = 1,
  kLeftMouseUp = 2,
  kRightMouseDown = 3,
  kRightMouseUp = 4,
  kKeyDown = 10,
  kKeyUp = 11,
  kFlagsChanged = 12,
  kOtherMouseDown = 25,
  kOtherMouseUp = 26,
  kTapDisabledByTimeout = 0xFFFFFFFE,
  kTapDisabledByUserInput = 0xFFFFFFFF,
};

/// Where a posted event enters the system's event stream.
enum class TapLocation { hid, session };

/// The fields of an event that the helper reads or writes.
struct InputEvent {
  std::uint32_t type = kKeyDown;
  std::int64_t keyCode = 0;       // field 9
  bool autorepeat = false;        // field 8
  std::uint64_t flags = 0;        // modifier flags, device-independent and device-dependent bits
  std::int64_t userData = 0;      // field 42, the source user data
  std::int64_t keyboardType = 0;  // field 10, keyboard events
  std::int64_t buttonNumber = 0;  // field 3, mouse events
  double x = 0, y = 0;            // location in global top-left points, mouse events
  /// False when the event has already reached the application and the tap can only watch it.
  bool swallowable = true;
};

/// Identifies the tap that is delivering the current event; events posted through it enter the
/// stream just ahead of the event being handled.
using TapProxy = void*;

/// The tap callback: returns the event (possibly changed) to let it through, nothing to swallow it.
using TapCallback = std::function<std::optional<InputEvent>(TapProxy, const InputEvent&)>;

/// The key presses the tap may be asked to swallow: keys with the modifiers that must be held
/// (device-independent flag bits), or, while all input is being captured, every key.
struct SwallowNeeds {
  struct Combination {
    std::int64_t keyCode = 0;
    std::uint64_t flags = 0;
    bool operator==(const Combination&) const = default;
  };
  std::vector<Combination> combinations;
  bool everyKey = false;
  bool operator==(const SwallowNeeds&) const = default;
};

class EventSystem {
 public:
  virtual ~EventSystem() = default;
  /// Creates an active session-level tap at the head of the session's taps for the event types
  /// in `mask`; its callback runs on the main thread. False when no tap can be created.
  virtual bool createTap(std::uint64_t mask, TapCallback callback) = 0;
  /// Re-enables the tap after the system disabled it.
  virtual void enableTap() = 0;
  /// A new keyboard event without an event source; nothing when it cannot be created.
  virtual std::optional<InputEvent> createKeyboardEvent(std::int64_t keyCode, bool down) = 0;
  /// Posts an event at a tap location.
  virtual void post(TapLocation location, const InputEvent& event) = 0;
  /// Posts an event through the tap proxy, ahead of the event the callback is handling.
  virtual void postToProxy(TapProxy proxy, const InputEvent& event) = 0;
  /// Whether the HID system reports the key as physically down now.
  virtual bool keyIsDown(std::int64_t keyCode) = 0;
  /// Whether secure keyboard entry is on.
  virtual bool secureInputEnabled() = 0;
  /// Which presses the tap callback may swallow from now on. A tap that sees every event before
  /// the application needs nothing of this; one that can keep a key from the application only
  /// by grabbing it beforehand grabs exactly these.
  virtual void needSwallowing(const SwallowNeeds&) {}
};

}  // namespace parlevox::platform
