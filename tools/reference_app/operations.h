// The reference application's operations: the describe table and answering one request line.
#pragma once

#include <string>
#include <string_view>

namespace parlevox::reference_app {

/// Answers one request line (without its newline) with one answer line (without a newline):
/// {"id", "jsonrpc", "result"} on success, {"id", "jsonrpc", "error": {"code", "message",
/// "data": {"kind"}}} on failure. Never throws: bad requests get an "invalid" error answer.
std::string answer_request(std::string_view line, const std::string& socket_path);

/// Puts the application's state (voice commands, settings) back as it starts.
void reset_state();

/// The answer to a request line that exceeded the size limit.
std::string answer_oversized_request(std::size_t limit_bytes);

}  // namespace parlevox::reference_app
