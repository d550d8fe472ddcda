// Fuzzes the loading of a simulated desktop from scenario text, then asks a desktop that loads
// the queries that read most of it. The "record" key, which names a file to create, is taken
// out first.
#include <nlohmann/json.hpp>
#include <string_view>
#include <variant>

#include "helper/app/dispatch.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/sim/sim_desktop.h"
#include "helper/tests/support/virtual_run_loop.h"

using parlevox::sim::SimDesktop;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  parlevox::setLineSink([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto scenario = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
  SimDesktop::Loaded loaded;
  if (scenario.is_discarded()) {
    loaded = SimDesktop::fromText(text, "fuzz");  // the error path: where the text goes wrong
  } else {
    if (scenario.is_object()) scenario.erase("record");
    loaded = SimDesktop::fromJson(scenario);
  }
  auto* desktop = std::get_if<std::unique_ptr<SimDesktop>>(&loaded);
  if (!desktop) return 0;

  parlevox::testing::VirtualRunLoop loop;
  parlevox::Helper helper{
      .state = {}, .platform = (*desktop)->platform(), .loop = loop, .exit = [](int) {}};
  for (const char* line : {R"({"cmd":"status","id":1})", R"({"cmd":"screens","id":2})",
                           R"({"cmd":"frontmost","id":3})", R"({"cmd":"runningApps","id":4})",
                           R"({"cmd":"inputLanguages","id":5})",
                           R"({"cmd":"duck","id":6,"level":0.5})", R"({"cmd":"unduck","id":7})"}) {
    parlevox::handleCommand(helper, *parlevox::decodeCommand(line));
    loop.advance(1000);
  }
  return 0;
}
