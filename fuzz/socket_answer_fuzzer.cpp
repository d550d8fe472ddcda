// Fuzzes the reading of the application's answer line and what the command line prints of it.
#include <nlohmann/json.hpp>
#include <string_view>

#include "cli/call_app.h"
#include "cli/invocation.h"
#include "cli/json_text.h"

using namespace parlevox::cli;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto outcome = interpret_answer(std::string_view(reinterpret_cast<const char*>(data), size));
  if (auto* result = std::get_if<nlohmann::json>(&outcome)) {
    (void)pretty_json(*result);
    (void)compact_json(*result);
  } else {
    const auto& error = std::get<AppError>(outcome);
    (void)exit_code_for_kind(error.kind);
    (void)pretty_json(
        {{"error", {{"code", error.code}, {"kind", error.kind}, {"message", error.message}}}});
  }
  return 0;
}
