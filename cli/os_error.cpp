// Text of an operating-system error as the command line shows it.
#include "cli/os_error.h"

#include <cstring>

namespace parlevox::cli {

std::string system_error_text(int errnum) {
  return std::string(std::strerror(errnum)) + " (os error " + std::to_string(errnum) + ")";
}

}  // namespace parlevox::cli
