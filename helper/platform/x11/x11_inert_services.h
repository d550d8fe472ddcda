// Stand-ins for the services the X11 desktop does not offer yet (keyboard events, keyboard
// layouts, the pasteboard): each answers "not available" at once, never blocks, never fails hard.
#pragma once

#include "helper/platform/events.h"
#include "helper/platform/input_sources.h"
#include "helper/platform/pasteboard.h"

namespace parlevox::x11 {

/// No event tap can be made, no event is created or posted, no key is down.
class InertEvents final : public platform::EventSystem {
 public:
  bool createTap(std::uint64_t, platform::TapCallback) override { return false; }
  void enableTap() override {}
  std::optional<platform::InputEvent> createKeyboardEvent(std::int64_t, bool) override {
    return std::nullopt;
  }
  void post(platform::TapLocation, const platform::InputEvent&) override {}
  void postToProxy(platform::TapProxy, const platform::InputEvent&) override {}
  bool keyIsDown(std::int64_t) override { return false; }
  bool secureInputEnabled() override { return false; }
};

/// No keyboard layout is known.
class InertInputSources final : public platform::InputSources {
 public:
  std::optional<platform::InputSource> currentKeyboardLayout() override { return std::nullopt; }
  std::optional<platform::InputSource> currentAsciiCapableKeyboardLayout() override {
    return std::nullopt;
  }
  std::optional<std::vector<platform::InputSource>> enabledKeyboardSources() override {
    return std::nullopt;
  }
  std::optional<platform::KeyLayoutData> keyLayoutData(const platform::InputSource&) override {
    return std::nullopt;
  }
  std::optional<bool> isSelectCapable(const platform::InputSource&) override {
    return std::nullopt;
  }
  std::optional<std::vector<std::string>> languages(const platform::InputSource&) override {
    return std::nullopt;
  }
  std::uint32_t keyboardType() override { return 0; }
  std::optional<std::u16string> translateKey(const platform::KeyLayoutData&, std::uint16_t,
                                             platform::KeyAction, std::uint32_t, std::uint32_t,
                                             std::uint32_t, std::uint32_t&, std::size_t) override {
    return std::nullopt;
  }
};

/// A pasteboard that cannot be read and refuses writes.
class InertPasteboard final : public platform::Pasteboard {
 public:
  std::int64_t changeCount() override { return 0; }
  std::optional<std::vector<platform::PasteboardItem>> pasteboardItems() override {
    return std::nullopt;
  }
  std::optional<std::string> dataForType(const platform::PasteboardItem&,
                                         std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> string() override { return std::nullopt; }
  std::int64_t clearContents() override { return 0; }
  bool writeObjects(std::vector<platform::PasteboardItemData>) override { return false; }
};

}  // namespace parlevox::x11
