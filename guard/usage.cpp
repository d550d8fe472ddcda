// Usage line of parlevox-guard.
#include "guard/usage.h"

#include <cstdio>

namespace parlevox::guard {

void print_usage() { std::fputs("usage: parlevox-guard <command> [args...]\n", stderr); }

}  // namespace parlevox::guard
