// The error an operation of the reference application answers with.
#pragma once

#include <string>

namespace parlevox::reference_app {

/// An operation's failure; thrown by the handlers and turned into an error answer with `code`,
/// `message` and `data.kind`.
struct OpError {
  std::string kind;
  std::string message;
  int code;
};

inline OpError invalid(std::string message) {
  return {"invalid", std::move(message), -32602};
}
inline OpError not_found(std::string message) {
  return {"not_found", std::move(message), -32001};
}
inline OpError unavailable(std::string message) {
  return {"unavailable", std::move(message), -32004};
}
inline OpError needs_approval(std::string message) {
  return {"needs_approval", std::move(message), -32003};
}
inline OpError failed(std::string message) {
  return {"failed", std::move(message), -32000};
}

}  // namespace parlevox::reference_app
