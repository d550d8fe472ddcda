// A helper on a simulated desktop built from scenario text, driven command by command in tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "helper/app/dispatch.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/sim/sim_desktop.h"
#include "helper/tests/support/virtual_run_loop.h"

namespace parlevox::testing {

/// The simulated desktop of `scenario`; the test fails when the scenario does not load.
inline std::unique_ptr<sim::SimDesktop> loadDesktop(std::string_view scenario) {
  auto loaded = sim::SimDesktop::fromText(scenario, "test scenario");
  if (auto* error = std::get_if<std::string>(&loaded)) {
    ADD_FAILURE() << *error;
    loaded = sim::SimDesktop::fromText("{}", "empty scenario");
  }
  return std::move(std::get<std::unique_ptr<sim::SimDesktop>>(loaded));
}

/// A helper on a scenario, with every line it emits captured.
class TestHelper {
 public:
  explicit TestHelper(std::string_view scenario = "{}")
      : desktop(loadDesktop(scenario)),
        helper{.state = {}, .platform = desktop->platform(), .loop = loop, .exit = [this](int s) {
                 exitStatus = s;
               }} {
    desktop->recorder.setClock([this] { return loop.now(); });
    setLineSink([this](std::string_view line) {
      lines.push_back(nlohmann::json::parse(line.substr(0, line.size() - 1)));
    });
  }
  ~TestHelper() { setLineSink(nullptr); }
  TestHelper(const TestHelper&) = delete;
  TestHelper& operator=(const TestHelper&) = delete;

  /// Decodes one command line, dispatches it, runs what it posted and returns the last line
  /// emitted (its reply). A line that does not decode fails the test.
  nlohmann::json run(std::string_view line) {
    auto command = decodeCommand(line);
    if (!command) {
      ADD_FAILURE() << "undecodable command line: " << line;
      return nullptr;
    }
    const auto before = lines.size();
    handleCommand(helper, *command);
    loop.drain();
    if (lines.size() == before) {
      ADD_FAILURE() << "no reply to " << line;
      return nullptr;
    }
    return lines.back();
  }

  std::unique_ptr<sim::SimDesktop> desktop;
  VirtualRunLoop loop;
  Helper helper;
  HelperState& state = helper.state;
  std::vector<nlohmann::json> lines;
  std::optional<int> exitStatus;
};

}  // namespace parlevox::testing
