// Simulated text input sources: the scenario's enabled keyboards over the shipped layouts.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "helper/platform/input_sources.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/sim/sim_layouts.h"

namespace parlevox::sim {

class SimInputSources final : public platform::InputSources {
 public:
  /// Reads "keyboardLayouts" of the scenario; without it one US keyboard ("en") is enabled and
  /// current.
  void load(const ScenarioReader& scenario);

  std::optional<platform::InputSource> currentKeyboardLayout() override;
  std::optional<platform::InputSource> currentAsciiCapableKeyboardLayout() override;
  std::optional<std::vector<platform::InputSource>> enabledKeyboardSources() override;
  std::optional<std::vector<platform::InputSource>> enabledKeyboardLayouts() override;
  std::optional<std::string> localizedName(const platform::InputSource& source) override;
  std::optional<platform::KeyLayoutData> keyLayoutData(
      const platform::InputSource& source) override;
  std::optional<bool> isSelectCapable(const platform::InputSource& source) override;
  std::optional<std::vector<std::string>> languages(const platform::InputSource& source) override;
  std::uint32_t keyboardType() override { return keyboardType_; }
  std::optional<std::u16string> translateKey(const platform::KeyLayoutData& layout,
                                             std::uint16_t keyCode, platform::KeyAction action,
                                             std::uint32_t modifierState,
                                             std::uint32_t keyboardType, std::uint32_t options,
                                             std::uint32_t& deadKeyState,
                                             std::size_t maxLength) override;

  /// Makes the source with this id the current keyboard (nothing for an unknown id).
  void select(const std::string& id);

 private:
  struct Source {
    std::string id;
    std::string category;               // "keyboard" for keyboard sources
    std::string type;                   // "keyboardLayout", "inputMethod" or "inputMode"
    std::optional<std::string> name;    // the localised name
    const SimLayout* layout = nullptr;  // none for input methods without layout data
    nlohmann::json selectCapable;       // the property as the scenario gives it
    nlohmann::json languages;
  };
  const Source* find(const platform::InputSource& source) const;

  std::vector<Source> sources_;
  std::optional<std::string> current_, asciiCapable_;
  bool listFails_ = false;
  std::uint32_t keyboardType_ = 40;
};

}  // namespace parlevox::sim
