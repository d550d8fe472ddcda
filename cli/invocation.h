// Reading the command line: fixed words, the operation name and the caller's name.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace parlevox::cli {

/// What the first argument asks for.
enum class FirstWord { help, version, mcp, operation };

/// Classifies the arguments after the program name: none or -h/--help/help is help,
/// -V/--version/version is the version, mcp is the MCP server, anything else an operation.
FirstWord classify_first_word(std::span<const std::string> args);

/// The operation name and how many arguments it used. Two words join with "." when the first holds
/// no "." and the second consists only of "a"-"z" and "_" (so `commands add` is `commands.add`);
/// otherwise the first argument alone is the name. `args` must not be empty.
struct OperationName {
  std::string name;
  std::size_t consumed;
};
OperationName operation_name(std::span<const std::string> args);

/// Who is calling, from the environment: $PARLEVOX_CLIENT verbatim, else "claude-code" when
/// CLAUDECODE is set, else "codex" when CODEX_SANDBOX or CODEX_HOME is set, else "cli". A variable
/// counts when it is set to UTF-8 text, the empty text included.
std::string choose_client_name();

/// Exit code for a failed call of the given kind: 2 for "invalid" and "not_found", 3 for
/// "unavailable", 4 for "needs_approval", 1 for anything else.
int exit_code_for_kind(std::string_view kind);

}  // namespace parlevox::cli
