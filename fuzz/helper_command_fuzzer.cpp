// Fuzzes the helper's command path: each input line is decoded and dispatched against a fresh
// demo desktop in virtual time. Every command that decodes must get exactly one reply, and every
// line the helper writes must be one JSON object.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

#include "helper/app/dispatch.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/sim/sim_desktop.h"
#include "helper/tests/support/virtual_run_loop.h"

namespace {

std::size_t g_replies = 0;

void check_line(std::string_view line) {
  if (line.empty() || line.back() != '\n') std::abort();
  auto value = nlohmann::json::parse(line.substr(0, line.size() - 1), nullptr, false);
  if (!value.is_object()) std::abort();
  if (!value.contains("t")) ++g_replies;  // events carry "t", replies never do
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  parlevox::setLineSink(check_line);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto desktop = parlevox::sim::SimDesktop::demo();
  parlevox::testing::VirtualRunLoop loop;
  parlevox::Helper helper{
      .state = {}, .platform = desktop->platform(), .loop = loop, .exit = [](int) {}};
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    auto command = parlevox::decodeCommand(bytes.substr(start, end - start));
    start = end + 1;
    if (!command) continue;
    const std::size_t before = g_replies;
    parlevox::handleCommand(helper, *command);
    loop.advance(60'000);  // runs posted work and any timer a command set
    if (g_replies != before + 1) std::abort();
  }
  return 0;
}
