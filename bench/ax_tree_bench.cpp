// The simulated accessibility tree at scale: loading a 50,000-element scenario, its memory, and a
// walk reading seven attributes of every element in one batched call each.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <string>
#include <variant>

#include "helper/platform/sim/sim_desktop.h"

namespace parlevox {
namespace {

// 500 sections of a label and 98 paragraphs of 12 words each: 50,000 elements.
constexpr const char* kLargeScenario = R"({"apps": [{"pid": 10, "name": "Reader", "ui": {
  "windows": [{"id": "page", "role": "AXWindow", "frame": [0, 0, 1200, 800], "children": [
    {"repeat": {"count": 500, "offset": [0, 2000], "element":
      {"id": "section", "role": "AXGroup", "frame": [0, 0, 1200, 2000], "children": [
        {"id": "label", "role": "AXHeading", "title": "Section"},
        {"paragraphs": {"count": 98, "origin": [0, 20]}}]}}}]}],
  "focused": "page"}}], "frontmost": 10})";

std::unique_ptr<sim::SimDesktop> load() {
  auto loaded = sim::SimDesktop::fromText(kLargeScenario, "bench");
  return std::move(std::get<std::unique_ptr<sim::SimDesktop>>(loaded));
}

void LoadLargeTree(benchmark::State& state) {
  double heapMB = 0;
  for (auto _ : state) {
    const auto before = mallinfo2().uordblks;
    auto desktop = load();
    // The scenario text's parsed document is gone by now: what remains is the desktop.
    heapMB = static_cast<double>(mallinfo2().uordblks - before) / (1024.0 * 1024.0);
    benchmark::DoNotOptimize(desktop.get());
  }
  state.counters["elements"] = 50000;
  state.counters["heapMB"] = heapMB;
}
BENCHMARK(LoadLargeTree)->Unit(benchmark::kMillisecond);

void WalkWithBatchedReads(benchmark::State& state) {
  auto desktop = load();
  auto& ax = desktop->accessibility;
  const std::string_view names[] = {"AXRole",     "AXSubrole", "AXValue",   "AXTitle",
                                    "AXPosition", "AXSize",    "AXChildren"};
  std::size_t elements = 0;
  for (auto _ : state) {
    std::vector<platform::Element> stack{ax.element("page")};
    elements = 0;
    while (!stack.empty()) {
      auto e = std::move(stack.back());
      stack.pop_back();
      auto read = ax.copyMultipleAttributeValues(e, names);
      ++elements;
      auto& values = std::get<std::vector<platform::AXValue>>(read);
      if (auto* children = std::get_if<std::vector<platform::Element>>(&values[6]))
        stack.insert(stack.end(), children->rbegin(), children->rend());
    }
  }
  state.counters["elements"] = static_cast<double>(elements);
  state.counters["perElement"] = benchmark::Counter(
      static_cast<double>(elements),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(WalkWithBatchedReads)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace parlevox

BENCHMARK_MAIN();
