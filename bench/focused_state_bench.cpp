// "focusedState" with "around" on a long field: time per call and reads by range per call, with
// the field serving all it reports and serving only part of it (the binary search).
#include <benchmark/benchmark.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "helper/context/focused_state.h"
#include "helper/platform/sim/sim_desktop.h"

namespace parlevox {
namespace {

std::unique_ptr<sim::SimDesktop> longField(std::int64_t served) {
  std::string words;
  while (words.size() < 30000) words += "lorem ipsum dolor sit amet ";
  words.resize(30000);
  const std::string reads =
      served > 0 ? R"(, "textReads": {"servedUnits": )" + std::to_string(served) + "}" : "";
  const std::string scenario = R"({"frontmost": 5, "apps": [{"pid": 5, "ui": {"focused": "f",
    "windows": [{"role": "AXWindow", "children": [{"id": "f", "role": "AXTextArea",
    "selection": [15000, 0], "value": ")" +
                               words + "\"" + reads + "}]}]}}]}";
  auto loaded = sim::SimDesktop::fromText(scenario, "bench");
  return std::move(std::get<std::unique_ptr<sim::SimDesktop>>(loaded));
}

// Argument: the units served by range (0: all 30,000).
void FocusedStateAround(benchmark::State& state) {
  auto desktop = longField(state.range(0));
  auto& ax = desktop->accessibility;
  const std::optional<std::vector<std::int64_t>> around{{2000, 2000}};
  ax.resetCallCounts();
  for (auto _ : state) benchmark::DoNotOptimize(focusedState(ax, std::nullopt, 20000, around, 5));
  const auto counts = ax.callCounts();
  const auto calls = static_cast<double>(state.iterations());
  state.counters["rangeReads"] = static_cast<double>(counts.parameterized) / calls;
  state.counters["singleReads"] = static_cast<double>(counts.single) / calls;
}
BENCHMARK(FocusedStateAround)->Arg(0)->Arg(15700)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace parlevox

BENCHMARK_MAIN();
