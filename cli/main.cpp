// Entry point of parlevox: hands the arguments over and exits with the code it gets back.
#include <string>
#include <vector>

#include "cli/run_command_line.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return parlevox::cli::run_command_line(args);
}
