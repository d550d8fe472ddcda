// Fuzzes the reference application's request handling: each input line is one request, answered
// against the application's in-memory state, which carries over from line to line and starts
// afresh with each input.
#include <string_view>

#include "operations.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  parlevox::reference_app::reset_state();
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    (void)parlevox::reference_app::answer_request(bytes.substr(start, end - start),
                                                  "/tmp/parlevox-fuzz.sock");
    start = end + 1;
  }
  return 0;
}
