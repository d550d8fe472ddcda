// Entry point of parlevox-guard.
#include "guard/guard.h"

int main(int argc, char** argv) {
  return parlevox::guard::run(argc, argv);
}
