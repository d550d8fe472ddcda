// Context capture in-process on the simulated desktop: a window of 4000 visible elements, and
// one of 50,000 elements that are mostly scrolled away; wall time and batched reads per capture.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "helper/context/context_capture.h"
#include "helper/context/geometry.h"
#include "helper/context/near_text.h"
#include "helper/platform/sim/sim_desktop.h"

namespace parlevox {
namespace {

// The desktop of context_trees.json with the one application `pid`.
std::unique_ptr<sim::SimDesktop> load(std::int32_t pid) {
  // The helper's own allocator setting (see its main): large blocks get mappings of their own.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  std::ifstream file(PARLEVOX_CONTEXT_TREES);
  auto scenario = nlohmann::json::parse(file);
  auto& apps = scenario["apps"];
  for (auto it = apps.begin(); it != apps.end();)
    it = (*it)["pid"] == pid ? std::next(it) : apps.erase(it);
  scenario["frontmost"] = pid;
  auto loaded = sim::SimDesktop::fromJson(scenario);
  if (auto* error = std::get_if<std::string>(&loaded)) throw std::runtime_error(*error);
  malloc_trim(0);
  return std::move(std::get<std::unique_ptr<sim::SimDesktop>>(loaded));
}

void capture(benchmark::State& state, std::int32_t pid) {
  auto desktop = load(pid);
  auto& ax = desktop->accessibility;
  ContextRequest request;
  request.trusted = true;
  request.maxChars = 1'000'000;
  request.displays = displayBounds(desktop->screens);
  for (const auto& app : desktop->workspace.runningApplications())
    if (app.pid == pid) request.app = app;
  ax.resetCallCounts();
  std::size_t texts = 0;
  for (auto _ : state) {
    auto reply = captureContext(ax, request);
    texts = reply["area"].size() + reply["texts"].size();
    benchmark::DoNotOptimize(reply);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["batchedReads"] = static_cast<double>(ax.callCounts().batched) / runs;
  state.counters["singleReads"] = static_cast<double>(ax.callCounts().single) / runs;
  state.counters["texts"] = static_cast<double>(texts);
}

void CaptureVisible4000(benchmark::State& state) {
  capture(state, 10);
}
BENCHMARK(CaptureVisible4000)->Unit(benchmark::kMillisecond);

void CaptureScrolled50000(benchmark::State& state) {
  capture(state, 11);
}
BENCHMARK(CaptureScrolled50000)->Unit(benchmark::kMillisecond);

void NearTextScrolled50000(benchmark::State& state) {
  auto desktop = load(11);
  auto& ax = desktop->accessibility;
  ax.resetCallCounts();
  for (auto _ : state) benchmark::DoNotOptimize(nearText(ax, true, 11, 6000, {}));
  state.counters["batchedReads"] =
      static_cast<double>(ax.callCounts().batched) / static_cast<double>(state.iterations());
}
BENCHMARK(NearTextScrolled50000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace parlevox

BENCHMARK_MAIN();
