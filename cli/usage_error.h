// The error record of bad usage or bad input, found before the application is contacted.
#pragma once

#include <string>

namespace parlevox::cli {

/// A usage or input fault; `message` is shown after "parlevox: ", followed by the help text.
struct UsageError {
  std::string message;
};

}  // namespace parlevox::cli
