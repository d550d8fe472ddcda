// Usage line of parlevox-guard.
#pragma once

namespace parlevox::guard {

/// Prints the usage line to stderr.
void print_usage();

}  // namespace parlevox::guard
