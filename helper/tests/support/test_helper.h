// A helper on a simulated desktop built from scenario text, driven command by command in tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "helper/core/command.h"
#include "helper/core/dispatch.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/core/run_loop.h"
#include "helper/platform/sim/sim_desktop.h"

namespace parlevox::testing {

/// A run loop in virtual time: nothing runs until the test says so.
class FakeRunLoop final : public RunLoop {
 public:
  double clock = 1000;

  double now() override { return clock; }
  void post(Task task) override { posted_.push_back(std::move(task)); }
  TimerId after(double delayMs, Task task) override {
    timers_.emplace(nextTimer_, Timer{clock + delayMs, std::move(task)});
    return nextTimer_++;
  }
  void cancel(TimerId id) override { timers_.erase(id); }
  void background(Task work) override { posted_.push_back(std::move(work)); }

  /// Runs everything posted so far, and whatever that posts in turn.
  void drain() {
    while (!posted_.empty()) {
      auto task = std::move(posted_.front());
      posted_.pop_front();
      task();
    }
  }

 private:
  struct Timer {
    double at;
    Task task;
  };
  std::deque<Task> posted_;
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
};

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
    desktop->recorder.setClock([this] { return loop.clock; });
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
  FakeRunLoop loop;
  Helper helper;
  HelperState& state = helper.state;
  std::vector<nlohmann::json> lines;
  std::optional<int> exitStatus;
};

}  // namespace parlevox::testing
