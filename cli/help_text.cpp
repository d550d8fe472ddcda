// The version and the help text of the command line.
#include "cli/help_text.h"

namespace parlevox::cli {
namespace {

constexpr const char* kSocketNote =
    "Starts Parlevox in the background when it is not running. Socket: $PARLEVOX_SOCKET,\n"
    "or $PARLEVOX_USER_DATA/api.sock, or ~/Library/Application Support/Parlevox/api.sock.";

constexpr const char* kBody =
    " — control Parlevox (voice dictation) from a terminal or an agent.\n"
    "\n"
    "USAGE\n"
    "  parlevox describe                      list every operation with its JSON input schema\n"
    "  parlevox <operation> [JSON | - | --input-file PATH | --field value …]\n"
    "  parlevox mcp                           run as an MCP server on stdio\n"
    "  parlevox --version | --help\n"
    "\n"
    "An operation is written with a dot or a space: `commands.add` = `commands add`.\n"
    "Input is one JSON object, `-` to read it from stdin, `--input-file PATH` to read it from a "
    "file\n"
    "(UTF-8 or UTF-16), or flags for top-level fields (a flag's value is parsed as JSON when it "
    "is\n"
    "valid JSON, otherwise taken as text).\n"
    "The answer is JSON on stdout; errors go to stderr and stdout as {\"error\": …}.\n"
    "\n"
    "EXAMPLES\n"
    "  parlevox app.info\n"
    "  parlevox commands list\n"
    "  parlevox commands add - < command.json\n"
    "  parlevox commands add --input-file command.json\n"
    "  parlevox commands test --phrase \"запусти сервер лендинга\"\n"
    "  parlevox commands run --id run_dev_server --values '{\"project\":\"landing\"}'\n"
    "  parlevox settings set --changes '{\"fieldMic\":{\"enabled\":false}}'\n"
    "  parlevox history search --search invoice --limit 5\n"
    "\n"
    "EXIT CODES\n"
    "  0 ok · 1 the operation failed · 2 bad usage or input · 3 Parlevox is not running\n"
    "  4 the voice command waits for the user's approval in Parlevox → Automation\n"
    "\n";

}  // namespace

std::string help_text() {
  return std::string("parlevox ") + kVersion + kBody + kSocketNote + "\n";
}

}  // namespace parlevox::cli
