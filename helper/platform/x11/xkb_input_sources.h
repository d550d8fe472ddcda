// The X session's keyboard layouts (the XKB keymap's groups) as the text input sources: which are
// enabled and current, their languages, and key translation with dead keys.
#pragma once

#include <memory>

#include "helper/platform/input_sources.h"

namespace parlevox::x11 {

class XkbInputSources final : public platform::InputSources {
 public:
  /// Connects to the display; nothing when it cannot be opened or lacks the XKB extension.
  static std::unique_ptr<XkbInputSources> open(const char* display = nullptr);
  ~XkbInputSources() override;

  std::optional<platform::InputSource> currentKeyboardLayout() override;
  std::optional<platform::InputSource> currentAsciiCapableKeyboardLayout() override;
  std::optional<std::vector<platform::InputSource>> enabledKeyboardSources() override;
  std::optional<platform::KeyLayoutData> keyLayoutData(
      const platform::InputSource& source) override;
  std::optional<bool> isSelectCapable(const platform::InputSource& source) override;
  std::optional<std::vector<std::string>> languages(const platform::InputSource& source) override;
  std::uint32_t keyboardType() override { return 40; }
  std::optional<std::u16string> translateKey(const platform::KeyLayoutData& layout,
                                             std::uint16_t keyCode, platform::KeyAction action,
                                             std::uint32_t modifierState,
                                             std::uint32_t keyboardType, std::uint32_t options,
                                             std::uint32_t& deadKeyState,
                                             std::size_t maxLength) override;

  struct State;

 private:
  explicit XkbInputSources(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace parlevox::x11
