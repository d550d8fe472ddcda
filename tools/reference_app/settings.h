// The application's settings: reading them and changing them.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace parlevox::reference_app {

/// All settings, or {"key", "value"} of one top-level setting when `key` is given.
nlohmann::json settings_get(const nlohmann::json& params);
/// Applies `changes` (a partial settings object) after checking every name and type; gives the
/// settings as they are afterwards.
nlohmann::json settings_set(const nlohmann::json& params);

/// Puts the settings back as the application starts with them.
void reset_settings();

/// The Command shortcut as currently set.
std::string command_shortcut();

}  // namespace parlevox::reference_app
