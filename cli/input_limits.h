// The ceiling on one JSON text that parlevox takes from its caller.
#pragma once

#include <cstddef>

namespace parlevox::cli {

/// The longest input accepted, in bytes: an operation's input from stdin or --input-file, and one
/// message line of the MCP server. Past it the input is refused before it is parsed, which keeps
/// the parsed document (up to about 35 times the text for arrays of tiny values) bounded.
inline constexpr std::size_t kMaxInputBytes = 4 * 1024 * 1024;

/// How kMaxInputBytes reads in messages.
inline constexpr const char* kMaxInputText = "4 MiB";

}  // namespace parlevox::cli
