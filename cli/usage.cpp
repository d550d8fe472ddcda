// Usage text of the parlevox command line.
#include "cli/usage.h"

#include <cstdio>

namespace parlevox::cli {

void print_usage() { std::fputs("usage: parlevox <operation> [input]\n", stderr); }

}  // namespace parlevox::cli
