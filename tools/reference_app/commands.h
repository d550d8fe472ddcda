// Voice commands (automations): the in-memory list and the operations on it.
#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>

namespace parlevox::reference_app {

/// Every voice command, in the order they were added (an array).
nlohmann::json commands_list(const nlohmann::json& params);
/// Checks and stores a new voice command; gives it as stored.
nlohmann::json commands_add(const nlohmann::json& params);
/// Which command and variable values a spoken phrase would pick.
nlohmann::json commands_test(const nlohmann::json& params);
/// Runs a command's steps (simulated) with the given variable values.
nlohmann::json commands_run(const nlohmann::json& params);
/// Removes a command by id.
nlohmann::json commands_remove(const nlohmann::json& params);

std::size_t command_count();

/// Puts the voice commands back as the application starts with them.
void reset_commands();

}  // namespace parlevox::reference_app
