// Fuzzes the command line's input handling: document bytes (stdin, --input-file) and arguments.
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "cli/call_app.h"
#include "cli/input_text.h"
#include "cli/invocation.h"
#include "cli/json_text.h"
#include "cli/operation_input.h"

using namespace parlevox::cli;

namespace {

// The arguments that would read stdin or a file: not fuzzed here, the document path covers them.
bool reads_a_stream(std::span<const std::string> rest) {
  if (rest.size() == 2 && rest[0] == "--input-file") return true;
  return rest.size() == 1 && (rest[0] == "-" || rest[0].starts_with("--input-file="));
}

void use(const std::variant<nlohmann::json, UsageError>& input, std::string_view name) {
  if (auto* json = std::get_if<nlohmann::json>(&input)) {
    (void)pretty_json(*json);
    (void)request_line(name, *json, "fuzz");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // As a document read from stdin or a file.
  auto text = decode_input_text(bytes);
  if (auto* decoded = std::get_if<std::string>(&text)) {
    auto parsed = parse_json_text(trim_white_space(*decoded));
    if (auto* json = std::get_if<nlohmann::json>(&parsed)) (void)pretty_json(*json);
  }

  // As arguments, separated by NUL bytes (which no argument can hold).
  std::vector<std::string> args;
  for (std::size_t start = 0; start <= bytes.size();) {
    std::size_t end = std::min(bytes.find('\0', start), bytes.size());
    args.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  if (classify_first_word(args) != FirstWord::operation) return 0;
  auto [name, consumed] = operation_name(args);
  std::span<const std::string> rest = std::span<const std::string>(args).subspan(consumed);
  if (!is_utf8(name) || reads_a_stream(rest)) return 0;
  use(read_operation_input(rest), name);
  use(flag_input(rest), name);
  return 0;
}
