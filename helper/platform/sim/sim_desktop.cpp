// The simulated desktop: every platform service answered from one JSON scenario.
#include "helper/platform/sim/sim_desktop.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace parlevox::sim {
namespace {

// Line and column (both from 1) of a byte offset, for messages about bad JSON.
std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return {line, column};
}

}  // namespace

SimDesktop::Loaded SimDesktop::fromJson(const nlohmann::json& scenario) {
  std::unique_ptr<SimDesktop> desktop(new SimDesktop);
  try {
    ScenarioReader root(scenario, "scenario");
    if (auto record = root.optionalString("record")) {
      if (!desktop->recorder.openFile(*record))
        return "cannot write the record file " + *record + ": " + std::strerror(errno);
    }
    desktop->permissions.load(root);
    desktop->events.load(root);
    desktop->workspace.load(root);
    desktop->hasVolume = desktop->volume.load(root);
    desktop->inputSources.load(root);
    desktop->files.load(root);
    desktop->input.load(root);
  } catch (const ScenarioError& e) {
    return std::string(e.what());
  } catch (const nlohmann::json::exception& e) {
    return std::string(e.what());
  }
  return desktop;
}

SimDesktop::Loaded SimDesktop::fromText(std::string_view text, const std::string& name) {
  nlohmann::json scenario;
  try {
    scenario = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    auto [line, column] = lineAndColumn(text, e.byte > 0 ? e.byte - 1 : 0);
    std::string what = e.what();
    // The library's message ends with the reason after its own position prefix.
    auto reason = what.find(": ", what.find("column"));
    return name + ": invalid JSON at line " + std::to_string(line) + ", column " +
           std::to_string(column) +
           (reason == std::string::npos ? "" : ": " + what.substr(reason + 2));
  }
  auto loaded = fromJson(scenario);
  if (auto* error = std::get_if<std::string>(&loaded)) return name + ": " + *error;
  return loaded;
}

SimDesktop::Loaded SimDesktop::fromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot read scenario " + path + ": " + std::strerror(errno);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return "cannot read scenario " + path + ": " + std::strerror(errno);
  return fromText(text.str(), "scenario " + path);
}

std::unique_ptr<SimDesktop> SimDesktop::demo() {
  auto loaded = fromText(demoScenario(), "demo scenario");
  return std::move(std::get<std::unique_ptr<SimDesktop>>(loaded));
}

platform::Platform SimDesktop::platform() {
  events.onTapCreated([this] { input.tapCreated(); });
  return {.permissions = &permissions,
          .events = &events,
          .workspace = &workspace,
          .volume = hasVolume ? &volume : nullptr,
          .inputSources = &inputSources,
          .accessibility = &accessibility,
          .files = &files,
          .scriptedInput = &input};
}

}  // namespace parlevox::sim
