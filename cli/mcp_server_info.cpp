// What the MCP server says about itself: protocol versions, server information, instructions.
#include "cli/mcp_server_info.h"

#include <nlohmann/json.hpp>

#include "cli/help_text.h"

namespace parlevox::cli {
namespace {

constexpr std::string_view kWebsiteUrl = "https://parlevox.com";

constexpr std::string_view kInstructions =
    "Parlevox is the user's voice dictation app. To make the computer do something by voice, "
    "create a voice command with commands_add: phrases the user says after the Command shortcut "
    "(⌥ Space; app_info tells the real one), spoken variables, and steps (open a link, run a "
    "file or code hidden or in a Terminal window, a macOS Shortcut, a webhook, text). The cloud "
    "model only picks the command and the values; Parlevox runs the steps. The app shows voice "
    "commands as automations: ones with file, script, shortcut or http steps run only after the "
    "user clicks Allow in Parlevox → Automation. Check a command with commands_test.";

}  // namespace

nlohmann::json supported_versions() {
  nlohmann::json versions = nlohmann::json::array({kPerRequestVersion});
  for (auto version : kNegotiableVersions) versions.push_back(version);
  return versions;
}

nlohmann::json server_info() {
  return {{"name", "parlevox"},
          {"title", "Parlevox"},
          {"version", kVersion},
          {"description",
           "Voice dictation for macOS: voice commands (automations), settings, modes, "
           "dictionary, history."},
          {"websiteUrl", kWebsiteUrl}};
}

nlohmann::json server_capabilities() {
  return {{"tools", nlohmann::json::object()}};
}

std::string_view server_instructions() {
  return kInstructions;
}

}  // namespace parlevox::cli
