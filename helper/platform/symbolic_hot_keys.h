// The system's own keyboard shortcuts ("symbolic hot keys"), as the system lists them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace parlevox::platform {

/// A property value of a shortcut's dictionary: a value of another kind, a boolean, a number or
/// a string.
using HotKeyProperty = std::variant<std::monostate, bool, double, std::string>;
/// One shortcut: "kHISymbolicHotKeyEnabled", "kHISymbolicHotKeyCode",
/// "kHISymbolicHotKeyModifiers" and whatever else the system keeps.
using HotKeyDictionary = std::map<std::string, HotKeyProperty>;

struct SymbolicHotKeysRead {
  std::int32_t status = 0;  // non-zero: the list could not be read
  /// The list in the system's order; an element that is not a dictionary is nothing. Nothing at
  /// all when the result is not a list.
  std::optional<std::vector<std::optional<HotKeyDictionary>>> entries;
};

class SymbolicHotKeys {
 public:
  virtual ~SymbolicHotKeys() = default;
  /// A copy of the system's shortcut list.
  virtual SymbolicHotKeysRead copySymbolicHotKeys() = 0;
};

}  // namespace parlevox::platform
