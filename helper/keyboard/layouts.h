// Keyboard layouts: what each key position prints, which key types a character with Command,
// and the languages of the enabled keyboards.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "helper/platform/input_sources.h"

namespace parlevox {

/// The Command modifier state for key translation.
inline constexpr std::uint32_t commandModifierState = platform::kModifierCommand;

/// The source's key-layout data; nothing for no source or a source without one.
std::optional<platform::KeyLayoutData> keyboardLayoutData(
    platform::InputSources* sources, const std::optional<platform::InputSource>& from);

/// Key name → what the key prints without modifiers, for every "Key…" position key of the
/// layout; keys that print nothing are left out. Empty when the source has no layout data.
std::map<std::string, std::string> layoutLabels(platform::InputSources* sources,
                                                const std::optional<platform::InputSource>& source);

/// The lowest key code that types `text` with Command held on the current layout (or else the
/// current ASCII-capable one); nothing when no key does.
std::optional<std::uint16_t> lookupVirtualKey(platform::InputSources* sources,
                                              const std::string& text);

/// The first language of every enabled, select-capable keyboard source, without duplicates.
std::vector<std::string> inputLanguages(platform::InputSources* sources);

}  // namespace parlevox
