// Parsing and writing JSON text the way the command line shows it.
#include "cli/json_text.h"

#include <nlohmann/json.hpp>

namespace parlevox::cli {
namespace {

struct StructureFault {
  std::string what;
  std::size_t offset;
};

// Faults the library would miss or pay for dearly: nesting past kMaxJsonDepth (outside strings),
// and a NUL byte anywhere, which the library takes for the end of the text and so would accept
// `{"a":1}` followed by a NUL and anything at all. A raw NUL is never valid JSON: it is neither
// white space nor allowed unescaped inside a string.
std::optional<StructureFault> structure_fault(std::string_view text) {
  if (auto nul = text.find('\0'); nul != text.npos)
    return StructureFault{"unexpected NUL byte", nul};
  int depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth)
        return StructureFault{"nesting deeper than " + std::to_string(kMaxJsonDepth) + " levels",
                              i};
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return std::nullopt;
}

std::string position_text(std::string_view text, std::size_t offset) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

constexpr int kNumberOverflow = 406;  // the library's error id for a number out of range

// Finds where parsing stops: the library reports a number too large for a double without its
// position, but hands the position to a SAX handler.
class FaultPosition : public nlohmann::json_sax<nlohmann::json> {
 public:
  std::size_t position = 0;

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t at, const std::string&,
                   const nlohmann::detail::exception&) override {
    position = at;
    return false;
  }
};

}  // namespace

std::variant<nlohmann::json, JsonFault> parse_json_text(std::string_view text) {
  if (auto fault = structure_fault(text))
    return JsonFault{fault->what + " at " + position_text(text, fault->offset)};
  try {
    return nlohmann::json::parse(text.begin(), text.end());
  } catch (const nlohmann::json::exception& error) {
    // A syntax fault, or a number beyond the range of a double such as 1e400, which the library
    // reports as out_of_range without a position. Drop the library's
    // "[json.exception.parse_error.101] " tag; keep its description.
    std::string what = error.what();
    if (auto tag_end = what.find("] ");
        what.starts_with("[json.exception.") && tag_end != what.npos)
      what.erase(0, tag_end + 2);
    if (error.id == kNumberOverflow) {
      FaultPosition fault;
      nlohmann::json::sax_parse(text.begin(), text.end(), &fault);
      what += " at " + position_text(text, fault.position > 0 ? fault.position - 1 : 0);
    }
    return JsonFault{what};
  }
}

std::string pretty_json(const nlohmann::json& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string compact_json(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace parlevox::cli
