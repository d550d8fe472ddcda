// Performing one application operation over the application's socket.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <variant>

#include "cli/app_error.h"
#include "cli/app_limits.h"

namespace parlevox::cli {

/// The outcome of a call: the result value, or why it failed.
using CallResult = std::variant<nlohmann::json, AppError>;

/// Kind and code of every error made by the client itself (not by the application).
inline constexpr std::string_view kUnavailableKind = "unavailable";
inline constexpr std::int64_t kUnavailableCode = -32004;

/// The request bytes: compact JSON with sorted keys {"id":1,"jsonrpc":"2.0","meta":{"client":…},
/// "method":…,"params":…} followed by a newline.
std::string request_line(std::string_view method, const nlohmann::json& params,
                         std::string_view client_name);

/// Turns the bytes of one answer line into the result or an AppError: non-UTF-8 bytes and text
/// that is not JSON fail as "unavailable"; an `error` member gives the application's error;
/// otherwise `result` (null when missing or when the answer is not an object).
CallResult interpret_answer(std::string_view line);

/// Connects (launching the application when allowed), sends the request, reads one answer line
/// and interprets it. One fresh connection per call, closed before returning. Blocking, within
/// `limits`: a full backlog, a peer that stops reading or answering, and an answer longer than
/// the ceiling each end the call as "unavailable".
CallResult call_app(std::string_view method, const nlohmann::json& params,
                    std::string_view client_name, const AppLimits& limits = {});

}  // namespace parlevox::cli
