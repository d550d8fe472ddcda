// Entry point of parlevox-guard.
#include "guard/usage.h"

int main() {
  parlevox::guard::print_usage();
  return 2;
}
