// Text of an operating-system error as the command line shows it.
#pragma once

#include <string>

namespace parlevox::cli {

/// The system's description of `errnum` followed by " (os error N)",
/// for example "No such file or directory (os error 2)".
std::string system_error_text(int errnum);

}  // namespace parlevox::cli
