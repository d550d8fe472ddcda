// The work of "hotkeyOwners" in-process on the simulated desktop: 30 applications with 500 menu
// items each, answering at once or after 1 ms per read; reply time and reads per application.
#include <benchmark/benchmark.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "helper/core/run_loop.h"
#include "helper/keyboard/hotkey_availability.h"
#include "helper/keyboard/menu_shortcuts.h"
#include "helper/platform/sim/sim_desktop.h"

namespace parlevox {
namespace {

using nlohmann::json;

constexpr int kApps = 30;
constexpr int kMenus = 5;           // besides the system's menu
constexpr int kItemsPerMenu = 100;  // 99 that do not match and one Save

json menuItem(const std::string& title, const std::string& character) {
  return {{"role", "AXMenuItem"},
          {"title", title},
          {"attributes", {{"AXMenuItemCmdChar", character}, {"AXMenuItemCmdModifiers", 0}}}};
}

std::unique_ptr<sim::SimDesktop> desktop(double readMs) {
  json apps = json::array();
  for (int a = 0; a < kApps; ++a) {
    json bar = json::array({{{"role", "AXMenuBarItem"}, {"title", "Apple"}}});
    for (int m = 0; m < kMenus; ++m) {
      json items = json::array(
          {{{"repeat", {{"count", kItemsPerMenu - 1}, {"element", menuItem("Item", "x")}}}},
           menuItem("Save", "s")});
      bar.push_back({{"role", "AXMenuBarItem"},
                     {"title", "Menu " + std::to_string(m)},
                     {"children", {{{"role", "AXMenu"}, {"children", items}}}}});
    }
    apps.push_back(
        {{"pid", 1000 + a},
         {"bundle", "com.example.app" + std::to_string(a)},
         {"name", "App " + std::to_string(a)},
         {"ui", {{"readMs", readMs}, {"menuBar", {{"role", "AXMenuBar"}, {"children", bar}}}}}});
  }
  auto loaded = sim::SimDesktop::fromJson(
      {{"apps", apps}, {"hotKeys", {{"held", {{{"code", 40}, {"mods", 256}}}}}}});
  if (auto* error = std::get_if<std::string>(&loaded)) throw std::runtime_error(*error);
  return std::move(std::get<std::unique_ptr<sim::SimDesktop>>(loaded));
}

void hotkeyOwners(benchmark::State& state) {
  auto d = desktop(static_cast<double>(state.range(0)));
  auto& ax = d->accessibility;
  const MenuKeys keys{{"S", "K"}, {40}};
  ax.resetCallCounts();
  std::size_t entries = 0;
  for (auto _ : state) {
    auto taken = hotkeyTaken(&d->hotKeys, {"KeyK", {"command"}});
    auto symbolic = symbolicHotKeysOn(&d->hotKeys);
    auto menus = menuShortcuts(ax, d->workspace, keys, Deadline::after(monotonicMs, 1500), {});
    entries = menus.size();
    benchmark::DoNotOptimize(taken);
    benchmark::DoNotOptimize(symbolic);
  }
  const double runs = static_cast<double>(state.iterations());
  const auto counts = ax.callCounts();
  state.counters["readsPerApp"] =
      static_cast<double>(counts.batched + counts.single) / runs / kApps;
  state.counters["entries"] = static_cast<double>(entries);
}
// The argument is each application's time per read in milliseconds.
BENCHMARK(hotkeyOwners)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace parlevox

BENCHMARK_MAIN();
