// Entry point of parlevox: hands the arguments over and exits with the code it gets back.
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "cli/memory_reserve.h"
#include "cli/run_command_line.h"

int main(int argc, char** argv) {
  parlevox::cli::keep_memory_reserve();
  try {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return parlevox::cli::run_command_line(args);
  } catch (const std::bad_alloc&) {
    // Inputs and answers are bounded, so this takes a tight memory limit; end with a message
    // rather than an abort.
    constexpr char kMessage[] = "parlevox: out of memory\n";
    (void)!::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    return 1;
  }
}
