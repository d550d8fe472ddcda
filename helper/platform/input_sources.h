// Text input sources and key translation: the enabled keyboards, their layouts and languages.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace parlevox::platform {

/// An input source, named by its unique identifier.
struct InputSource {
  std::string id;
  bool operator==(const InputSource&) const = default;
};

/// The Unicode key-layout data of a source. The bytes are opaque to the logic: only
/// `InputSources::translateKey` reads them, and the handle keeps them alive.
struct KeyLayoutData {
  std::shared_ptr<const void> bytes;
};

/// Key actions of the translation call.
enum KeyAction : std::uint16_t {
  kKeyActionDown = 0,
  kKeyActionUp = 1,
  kKeyActionAutoKey = 2,
  kKeyActionDisplay = 3
};

/// Modifier-key states of the translation call: the event modifier bits shifted right by 8.
enum ModifierState : std::uint32_t {
  kModifierCommand = 0x01,
  kModifierShift = 0x02,
  kModifierCapsLock = 0x04,
  kModifierOption = 0x08,
  kModifierControl = 0x10,
};

/// Translation option: a dead key yields its own character instead of starting a composition.
inline constexpr std::uint32_t kTranslateNoDeadKeys = 0x1;

class InputSources {
 public:
  virtual ~InputSources() = default;
  /// The keyboard layout in use now; nothing when there is none.
  virtual std::optional<InputSource> currentKeyboardLayout() = 0;
  /// The ASCII-capable keyboard layout in use now (or most recently); nothing when there is none.
  virtual std::optional<InputSource> currentAsciiCapableKeyboardLayout() = 0;
  /// The enabled input sources of the keyboard category, in the system's order; nothing when the
  /// list cannot be made.
  virtual std::optional<std::vector<InputSource>> enabledKeyboardSources() = 0;
  /// The enabled sources of the keyboard category whose type is keyboard layout (no input
  /// methods or modes), in the system's order; nothing when the list cannot be made.
  virtual std::optional<std::vector<InputSource>> enabledKeyboardLayouts() { return std::nullopt; }
  /// The source's localised name; nothing when it has none.
  virtual std::optional<std::string> localizedName(const InputSource&) { return std::nullopt; }
  /// The source's Unicode key-layout data; nothing for sources without one (input methods).
  virtual std::optional<KeyLayoutData> keyLayoutData(const InputSource& source) = 0;
  /// The source's select-capable property when it is a boolean; nothing otherwise.
  virtual std::optional<bool> isSelectCapable(const InputSource& source) = 0;
  /// The source's languages property (language codes, most important first); nothing when
  /// missing or not a list of strings.
  virtual std::optional<std::vector<std::string>> languages(const InputSource& source) = 0;
  /// The keyboard type of the keyboard in use, as the translation call takes it.
  virtual std::uint32_t keyboardType() = 0;
  /// Translates one key with the layout: the UTF-16 units it produces (possibly none, for
  /// example while a dead key waits for the next key), or nothing when the call fails, also when
  /// the output would exceed `maxLength` units. `deadKeyState` carries a pending dead key from
  /// one call to the next.
  virtual std::optional<std::u16string> translateKey(
      const KeyLayoutData& layout, std::uint16_t keyCode, KeyAction action,
      std::uint32_t modifierState, std::uint32_t keyboardType, std::uint32_t options,
      std::uint32_t& deadKeyState, std::size_t maxLength) = 0;
};

}  // namespace parlevox::platform
