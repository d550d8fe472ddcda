// Global hot-key registration: claiming a key combination for this process, and giving it back.
#pragma once

#include <cstdint>
#include <optional>

namespace parlevox::platform {

/// Result codes of hot-key calls; 0 is success.
using HotKeyStatus = std::int32_t;
/// The combination is already registered as a hot key, by this or another program.
inline constexpr HotKeyStatus kHotKeyExistsErr = -9878;

/// Registration option: no other program may register the same combination meanwhile.
inline constexpr std::uint32_t kHotKeyExclusive = 1;

/// Names a hot key to the program that registered it: a four-character signature and a number.
struct HotKeyId {
  std::uint32_t signature = 0;
  std::uint32_t id = 0;
};

/// A registered hot key, as the registration hands it back.
using HotKeyRef = std::uint64_t;

struct HotKeyRegistration {
  HotKeyStatus status = 0;
  std::optional<HotKeyRef> ref;  // present when the hot key was registered
};

class HotKeys {
 public:
  virtual ~HotKeys() = default;
  /// Registers the combination with the application's event dispatcher as target.
  virtual HotKeyRegistration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                            HotKeyId id, std::uint32_t options) = 0;
  /// Gives a registered hot key back.
  virtual HotKeyStatus unregisterHotKey(HotKeyRef ref) = 0;
};

}  // namespace parlevox::platform
