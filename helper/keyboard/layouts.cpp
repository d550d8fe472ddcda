// Keyboard layouts: what each key position prints, which key types a character with Command,
// and the languages of the enabled keyboards.
#include "helper/keyboard/layouts.h"

#include <algorithm>

#include "helper/platform/key_codes.h"
#include "helper/platform/text.h"

namespace parlevox {
namespace {

constexpr std::size_t kMaxUnits = 4;

// The display translation of one key, dead-key state fresh for each call.
std::optional<std::u16string> display(platform::InputSources& sources,
                                      const platform::KeyLayoutData& layout, std::uint16_t code,
                                      std::uint32_t modifierState) {
  std::uint32_t deadKeyState = 0;
  return sources.translateKey(layout, code, platform::kKeyActionDisplay, modifierState,
                              sources.keyboardType(), 0, deadKeyState, kMaxUnits);
}

}  // namespace

std::optional<platform::KeyLayoutData> keyboardLayoutData(
    platform::InputSources* sources, const std::optional<platform::InputSource>& from) {
  if (!from || !sources) return std::nullopt;
  auto data = sources->keyLayoutData(*from);
  if (!data || !data->bytes) return std::nullopt;
  return data;
}

std::map<std::string, std::string> layoutLabels(
    platform::InputSources* sources, const std::optional<platform::InputSource>& source) {
  std::map<std::string, std::string> labels;
  auto layout = keyboardLayoutData(sources, source);
  if (!layout) return labels;
  for (const auto& key : platform::namedKeys()) {
    if (!key.name.starts_with("Key")) continue;
    auto text = display(*sources, *layout, static_cast<std::uint16_t>(key.code), 0);
    if (!text || text->empty()) continue;
    labels.emplace(key.name, platform::utf8FromUtf16(*text));
  }
  return labels;
}

std::optional<std::uint16_t> lookupVirtualKey(platform::InputSources* sources,
                                              const std::string& text) {
  if (!sources) return std::nullopt;
  auto layout = keyboardLayoutData(sources, sources->currentKeyboardLayout());
  if (!layout) layout = keyboardLayoutData(sources, sources->currentAsciiCapableKeyboardLayout());
  if (!layout) return std::nullopt;
  const std::u16string wanted = platform::utf16FromUtf8(text);
  for (std::uint16_t code = 0; code < 128; ++code) {
    auto typed = display(*sources, *layout, code, commandModifierState);
    if (typed && *typed == wanted) return code;
  }
  return std::nullopt;
}

std::vector<std::string> inputLanguages(platform::InputSources* sources) {
  std::vector<std::string> result;
  if (!sources) return result;
  auto list = sources->enabledKeyboardSources();
  if (!list) return result;
  for (const auto& source : *list) {
    if (sources->isSelectCapable(source) != true) continue;
    auto languages = sources->languages(source);
    if (!languages || languages->empty()) continue;
    const auto& first = languages->front();
    if (std::find(result.begin(), result.end(), first) == result.end()) result.push_back(first);
  }
  return result;
}

}  // namespace parlevox
