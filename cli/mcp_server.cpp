// The MCP server on a pair of streams: one JSON-RPC message per line in, one response line out.
#include "cli/mcp_server.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "cli/input_limits.h"
#include "cli/input_text.h"
#include "cli/json_text.h"
#include "cli/line_reader.h"
#include "cli/mcp_messages.h"
#include "cli/mcp_rpc.h"
#include "cli/member_text.h"
#include "cli/memory_reserve.h"

namespace parlevox::cli {
namespace {

void on_broken_pipe(int) {}

// A reader that went away must show up as a failed write (EPIPE) that ends the server with its
// normal exit status, not as a fatal SIGPIPE. A handler that does nothing achieves that; unlike
// ignoring the signal it is reset by exec, so the application launcher starts with the default.
void survive_broken_pipes() {
  struct sigaction action {};
  action.sa_handler = on_broken_pipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGPIPE, &action, nullptr);
}

// Writes all of `bytes`: one write unless the pipe takes less.
bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string parse_error_line() {
  return rpc_line(rpc_error(nullptr, kParseError, "Parse error"), "null");
}

// The id as the response writes it: a number exactly as the request wrote it (a double holds
// neither 18446744073709551617 nor the spelling 1e2), anything else in compact form.
std::string id_text(std::string_view message_text, const nlohmann::json& id) {
  if (id.is_number()) {
    if (auto text = member_text(message_text, "id")) return std::string(*text);
  }
  return compact_json(id);
}

}  // namespace

std::optional<std::string> answer_mcp_line(McpServerState& state, std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  line = trim_white_space(line);
  if (line.empty()) return std::nullopt;

  nlohmann::json id;
  try {
    auto parsed = parse_json_text(line);
    if (std::holds_alternative<JsonFault>(parsed)) return parse_error_line();
    const auto& message = std::get<nlohmann::json>(parsed);
    if (!message.is_object())
      return rpc_line(rpc_error(nullptr, kInvalidRequest, "Batches are not supported"), "null");
    if (auto member = message.find("id"); member != message.end()) id = *member;
    nlohmann::json response = handle_mcp_message(state, message);
    if (response.is_null()) return std::nullopt;
    return rpc_line(response, id_text(line, id));
  } catch (const std::bad_alloc&) {
    std::string answer =
        rpc_line(rpc_error(nullptr, kInternalError, "Out of memory"), id_text(line, id));
    keep_memory_reserve();
    return answer;
  }
}

void run_mcp_server(int in_fd, int out_fd) {
  survive_broken_pipes();
  McpServerState state;
  LineReader reader(in_fd, kMaxInputBytes);
  while (auto line = reader.next_line()) {
    std::optional<std::string> output;
    if (line->too_long) {
      output = parse_error_line();
    } else if (!is_utf8(line->text)) {
      return;  // an undecodable line is a read failure
    } else {
      output = answer_mcp_line(state, line->text);
    }
    if (output && !write_all(out_fd, *output)) return;
  }
}

}  // namespace parlevox::cli
