// Performing one application operation over the application's socket.
#include "cli/call_app.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <nlohmann/json.hpp>

#include "cli/app_connection.h"
#include "cli/input_text.h"
#include "cli/json_text.h"
#include "cli/launch_app.h"
#include "cli/os_error.h"

namespace parlevox::cli {
namespace {

constexpr std::size_t kReadBufferBytes = 8 * 1024;
constexpr std::int64_t kInternalErrorCode = -32603;

AppError unavailable(std::string message) {
  return AppError{std::string(kUnavailableKind), std::move(message), kUnavailableCode};
}

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed peer gives EPIPE, not a fatal signal
#else
constexpr int kSendFlags = 0;  // SO_NOSIGPIPE is set on the socket instead
#endif

std::optional<AppError> send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), kSendFlags);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return unavailable("cannot talk to Parlevox: " + system_error_text(errno));
    if (n == 0) return unavailable("cannot talk to Parlevox: failed to write whole buffer");
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return std::nullopt;
}

AppError answer_too_long(std::size_t max_bytes) {
  return unavailable("no answer from Parlevox: the answer is longer than " +
                     std::to_string(max_bytes) + " bytes");
}

// Reads up to and including the first newline, or to the end of the stream; a line of more than
// `max_bytes` before its newline fails without being read further.
std::variant<std::string, AppError> read_line(int fd, std::size_t max_bytes) {
  std::string line;
  char buffer[kReadBufferBytes];
  for (;;) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return unavailable("no answer from Parlevox: " + system_error_text(errno));
    if (n == 0) return line;
    std::string_view chunk(buffer, static_cast<std::size_t>(n));
    auto newline = chunk.find('\n');
    if (line.size() + std::min(newline, chunk.size()) > max_bytes)
      return answer_too_long(max_bytes);
    if (newline != chunk.npos) {
      line.append(chunk.substr(0, newline + 1));
      return line;
    }
    line.append(chunk);
  }
}

std::int64_t error_code(const nlohmann::json& error) {
  auto code = error.find("code");
  if (code == error.end()) return kInternalErrorCode;
  if (code->is_number_integer() && !code->is_number_unsigned()) return code->get<std::int64_t>();
  if (code->is_number_unsigned() &&
      code->get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
    return static_cast<std::int64_t>(code->get<std::uint64_t>());
  return kInternalErrorCode;
}

AppError application_error(const nlohmann::json& error) {
  AppError app_error{"failed", "error", kInternalErrorCode};
  if (!error.is_object()) return app_error;
  if (auto data = error.find("data"); data != error.end() && data->is_object()) {
    if (auto kind = data->find("kind"); kind != data->end() && kind->is_string())
      app_error.kind = kind->get<std::string>();
  }
  if (auto message = error.find("message"); message != error.end() && message->is_string())
    app_error.message = message->get<std::string>();
  app_error.code = error_code(error);
  return app_error;
}

}  // namespace

// Written around the compact params rather than built as one document, so that a large input is
// not copied into a second tree.
std::string request_line(std::string_view method, const nlohmann::json& params,
                         std::string_view client_name) {
  return R"({"id":1,"jsonrpc":"2.0","meta":{"client":)" + compact_json(client_name) +
         R"(},"method":)" + compact_json(method) + R"(,"params":)" + compact_json(params) + "}\n";
}

CallResult interpret_answer(std::string_view line) {
  if (!is_utf8(line))
    return unavailable("no answer from Parlevox: stream did not contain valid UTF-8");
  auto parsed = parse_json_text(trim_white_space(line));
  if (std::holds_alternative<JsonFault>(parsed))
    return unavailable("Parlevox sent an unreadable answer");
  const auto& answer = std::get<nlohmann::json>(parsed);
  if (!answer.is_object()) return nlohmann::json();
  if (auto error = answer.find("error"); error != answer.end()) return application_error(*error);
  if (auto result = answer.find("result"); result != answer.end()) return *result;
  return nlohmann::json();
}

CallResult call_app(std::string_view method, const nlohmann::json& params,
                    std::string_view client_name, const AppLimits& limits) {
  auto connection = connect_app(limits);
  if (!connection && !env_is_set("PARLEVOX_SOCKET") && !env_is_set("PARLEVOX_USER_DATA") &&
      !env_is_set("PARLEVOX_NO_LAUNCH"))
    connection = launch_app(limits);
  if (!connection) {
    return unavailable(
        "Parlevox is not running (or is older than this CLI). Open Parlevox and try again.");
  }
  if (auto error = send_all(connection->get(), request_line(method, params, client_name)))
    return *error;
  auto line = read_line(connection->get(), limits.max_answer_bytes);
  if (auto* error = std::get_if<AppError>(&line)) return *error;
  return interpret_answer(std::get<std::string>(line));
}

}  // namespace parlevox::cli
