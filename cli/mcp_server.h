// The MCP server on a pair of streams: one JSON-RPC message per line in, one response line out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/mcp_server_state.h"

namespace parlevox::cli {

/// The output for one input line (without its newline): the compact, sorted-key response and a
/// newline, or nothing (blank line, notification). A trailing carriage return and surrounding
/// white space are ignored; text that is not JSON answers -32700 "Parse error", JSON that is
/// not an object -32600 "Batches are not supported", both with id null. A number id is echoed
/// in the very text it was written with. Running out of memory answers -32603 "Out of memory".
/// `line` must be UTF-8.
std::optional<std::string> answer_mcp_line(McpServerState& state, std::string_view line);

/// Serves messages from `in_fd` until its end, a read failure, a line that is not UTF-8, or a
/// failed write to `out_fd`; each response is written with one write as soon as it is ready.
/// A line longer than kMaxInputBytes answers -32700 "Parse error" (id null) as soon as it passes
/// the ceiling and is skipped without being kept. A closed `out_fd` ends the server without a
/// SIGPIPE.
void run_mcp_server(int in_fd, int out_fd);

}  // namespace parlevox::cli
