// Carrying out one invocation of parlevox and choosing its exit code.
#include "cli/run_command_line.h"

#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/call_app.h"
#include "cli/help_text.h"
#include "cli/input_text.h"
#include "cli/invocation.h"
#include "cli/json_text.h"
#include "cli/mcp_server.h"
#include "cli/operation_input.h"
#include "cli/usage_error.h"

namespace parlevox::cli {
namespace {

void write_out(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

int report_usage_error(const UsageError& error) {
  write_out(stderr, "parlevox: " + error.message + "\n\n" + help_text() + "\n");
  return 2;
}

int report_app_error(const AppError& error) {
  write_out(stderr, "parlevox: " + error.message + "\n");
  nlohmann::json body = {
      {"error", {{"code", error.code}, {"kind", error.kind}, {"message", error.message}}}};
  write_out(stdout, pretty_json(body) + "\n");
  return exit_code_for_kind(error.kind);
}

int perform_operation(std::span<const std::string> args) {
  auto [name, consumed] = operation_name(args);
  if (!is_utf8(name)) return report_usage_error({"the operation name is not UTF-8 text"});
  auto input = read_operation_input(args.subspan(consumed));
  if (auto* error = std::get_if<UsageError>(&input)) return report_usage_error(*error);

  auto outcome = call_app(name, std::get<nlohmann::json>(input), choose_client_name());
  if (auto* error = std::get_if<AppError>(&outcome)) return report_app_error(*error);
  write_out(stdout, pretty_json(std::get<nlohmann::json>(outcome)) + "\n");
  return 0;
}

}  // namespace

int run_command_line(std::span<const std::string> args) {
  switch (classify_first_word(args)) {
    case FirstWord::help:
      write_out(stdout, help_text());
      return 0;
    case FirstWord::version:
      write_out(stdout, std::string("parlevox ") + kVersion + "\n");
      return 0;
    case FirstWord::mcp:
      run_mcp_server(STDIN_FILENO, STDOUT_FILENO);
      return 0;
    case FirstWord::operation:
      return perform_operation(args);
  }
  return 1;
}

}  // namespace parlevox::cli
