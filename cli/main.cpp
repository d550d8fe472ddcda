// Entry point of parlevox.
#include "cli/usage.h"

int main() {
  parlevox::cli::print_usage();
  return 2;
}
