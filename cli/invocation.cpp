// Reading the command line: fixed words, the operation name and the caller's name.
#include "cli/invocation.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "cli/input_text.h"

namespace parlevox::cli {
namespace {

std::optional<std::string> utf8_env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || !is_utf8(value)) return std::nullopt;
  return std::string(value);
}

bool joins_as_second_word(const std::string& word) {
  if (word.starts_with("-") || word.starts_with("{")) return false;
  return std::all_of(word.begin(), word.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; });
}

}  // namespace

FirstWord classify_first_word(std::span<const std::string> args) {
  if (args.empty()) return FirstWord::help;
  const std::string& first = args[0];
  if (first == "-h" || first == "--help" || first == "help") return FirstWord::help;
  if (first == "-V" || first == "--version" || first == "version") return FirstWord::version;
  if (first == "mcp") return FirstWord::mcp;
  return FirstWord::operation;
}

OperationName operation_name(std::span<const std::string> args) {
  if (args.size() >= 2 && args[0].find('.') == std::string::npos && joins_as_second_word(args[1]))
    return {args[0] + "." + args[1], 2};
  return {args[0], 1};
}

std::string choose_client_name() {
  if (auto client = utf8_env("PARLEVOX_CLIENT")) return *client;
  if (utf8_env("CLAUDECODE")) return "claude-code";
  if (utf8_env("CODEX_SANDBOX") || utf8_env("CODEX_HOME")) return "codex";
  return "cli";
}

int exit_code_for_kind(std::string_view kind) {
  if (kind == "invalid" || kind == "not_found") return 2;
  if (kind == "unavailable") return 3;
  if (kind == "needs_approval") return 4;
  return 1;
}

}  // namespace parlevox::cli
