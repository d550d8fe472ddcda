// Usage text of the parlevox command line.
#pragma once

namespace parlevox::cli {

/// Prints the usage line to stderr.
void print_usage();

}  // namespace parlevox::cli
