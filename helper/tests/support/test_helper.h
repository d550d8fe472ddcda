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
  explicit TestHelper(std::string_view scenario = "{}") : TestHelper(loadDesktop(scenario)) {}
  /// A helper on a desktop built elsewhere (the built-in demo, with its pictures).
  explicit TestHelper(std::unique_ptr<sim::SimDesktop> built)
      : desktop(std::move(built)),
        helper{.state = {}, .platform = desktop->platform(), .loop = loop, .exit = [this](int s) {
                 exitStatus = s;
               }} {
    desktop->recorder.setClock([this] { return loop.now(); });
    setLineSink([this](std::string_view line) {
      lines.push_back(nlohmann::json::parse(line.substr(0, line.size() - 1)));
    });
    desktop->apps.setTimer([this](double delayMs, std::function<void()> task) {
      loop.after(delayMs, std::move(task));
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
    helper.commands.add([this, command = *command] { handleCommand(helper, command); });
    loop.drain();
    if (lines.size() == before) {
      ADD_FAILURE() << "no reply to " << line;
      return nullptr;
    }
    return lines.back();
  }

  /// Queues one command line as if read from stdin, then moves the clock on in steps of 1 ms
  /// until the command with that "id" has replied, for at most `maxMs`; its reply, or null.
  nlohmann::json ask(std::string_view line, double maxMs = 5000) {
    auto command = decodeCommand(line);
    if (!command || !command->id) {
      ADD_FAILURE() << "not a command with an id: " << line;
      return nullptr;
    }
    const auto id = *command->id;
    helper.commands.add([this, command = *command] { handleCommand(helper, command); });
    for (double waited = 0;; waited += 1) {
      loop.drain();
      for (const auto& l : lines)
        if (l.value("id", std::int64_t{-1}) == id) return l;
      if (waited >= maxMs) break;
      loop.advance(1);
    }
    ADD_FAILURE() << "no reply within " << maxMs << " ms to " << line;
    return nullptr;
  }

  std::unique_ptr<sim::SimDesktop> desktop;
  VirtualRunLoop loop;
  Helper helper;
  HelperState& state = helper.state;
  std::vector<nlohmann::json> lines;
  std::optional<int> exitStatus;
};

}  // namespace parlevox::testing
