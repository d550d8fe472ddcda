// The version and the help text of the command line.
#pragma once

#include <string>

namespace parlevox::cli {

/// The program's version, shown by --version, the help text and the MCP server.
inline constexpr const char* kVersion = "1.0.0";

/// The whole help text, ending with a newline.
std::string help_text();

}  // namespace parlevox::cli
