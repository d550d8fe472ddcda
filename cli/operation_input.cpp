// Building an operation's JSON input from the arguments after its name.
#include "cli/operation_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>

#include "cli/input_limits.h"
#include "cli/input_text.h"
#include "cli/json_text.h"
#include "cli/os_error.h"
#include "cli/unique_fd.h"

namespace parlevox::cli {
namespace {

using Input = std::variant<nlohmann::json, UsageError>;

// What reading an input to its end gave: its bytes, or the errno of a failed read, or the mark
// of an input longer than kMaxInputBytes (of which no more than that was read).
struct ReadOutcome {
  std::string bytes;
  int errnum = 0;
  bool too_large = false;
};

ReadOutcome read_all(int fd) {
  ReadOutcome outcome;
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      if (outcome.bytes.size() + static_cast<std::size_t>(n) > kMaxInputBytes) {
        outcome.too_large = true;
        return outcome;
      }
      outcome.bytes.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      return outcome;
    } else if (errno != EINTR) {
      outcome.errnum = errno;
      return outcome;
    }
  }
}

// True when `fd` is the pipe or socket that this program's stdout or stderr writes to: reading
// it would wait for ever for an end that this program itself holds off (`--input-file
// /dev/stdout` with the output piped).
bool is_own_output(int fd) {
  struct stat input;
  if (::fstat(fd, &input) != 0 || !(S_ISFIFO(input.st_mode) || S_ISSOCK(input.st_mode)))
    return false;
  for (int output_fd : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat output;
    if (::fstat(output_fd, &output) == 0 && output.st_dev == input.st_dev &&
        output.st_ino == input.st_ino)
      return true;
  }
  return false;
}

// Decodes, trims and parses the document read from stdin or a file, named by `source`.
Input parse_document(const ReadOutcome& read, const std::string& source) {
  if (read.too_large)
    return UsageError{source + " is larger than " + kMaxInputText + ", the input limit"};
  auto text = decode_input_text(read.bytes);
  if (auto* error = std::get_if<UsageError>(&text)) return *error;
  auto parsed = parse_json_text(trim_white_space(std::get<std::string>(text)));
  if (auto* fault = std::get_if<JsonFault>(&parsed))
    return UsageError{source + " is not JSON: " + fault->description};
  return std::get<nlohmann::json>(std::move(parsed));
}

Input file_input(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return UsageError{"cannot read " + path + ": " + system_error_text(errno)};
  if (is_own_output(fd.get()))
    return UsageError{"cannot read " + path + ": it is where parlevox writes its own output"};
  ReadOutcome read = read_all(fd.get());
  if (read.errnum != 0)
    return UsageError{"cannot read " + path + ": " + system_error_text(read.errnum)};
  return parse_document(read, path);
}

Input stdin_input() {
  ReadOutcome read = read_all(STDIN_FILENO);
  if (read.errnum != 0) return UsageError{system_error_text(read.errnum)};
  return parse_document(read, "stdin");
}

Input argument_input(const std::string& argument) {
  auto parsed = parse_json_text(argument);
  if (auto* fault = std::get_if<JsonFault>(&parsed))
    return UsageError{"input is not JSON: " + fault->description};
  return std::get<nlohmann::json>(std::move(parsed));
}

}  // namespace

Input flag_input(std::span<const std::string> items) {
  nlohmann::json object = nlohmann::json::object();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    if (item.size() < 2 || !item.starts_with("--"))
      return UsageError{"expected --field, got " + item};
    std::string name = item.substr(2);
    std::string value_text;
    if (auto equals = name.find('='); equals != std::string::npos) {
      value_text = name.substr(equals + 1);
      name.resize(equals);
    } else if (i + 1 < items.size()) {
      value_text = items[++i];
    } else {
      return UsageError{"--" + name + " needs a value"};
    }
    if (!is_utf8(name)) return UsageError{"the flag --" + name + " is not UTF-8 text"};
    auto parsed = parse_json_text(value_text);
    nlohmann::json value;
    if (auto* json = std::get_if<nlohmann::json>(&parsed)) {
      value = std::move(*json);
    } else if (is_utf8(value_text)) {
      value = value_text;
    } else {
      return UsageError{"the value of --" + name + " is not UTF-8 text"};
    }
    std::replace(name.begin(), name.end(), '-', '_');
    object[name] = std::move(value);
  }
  return object;
}

Input read_operation_input(std::span<const std::string> rest) {
  if (rest.empty()) return nlohmann::json::object();
  if (rest.size() == 2 && rest[0] == "--input-file") return file_input(rest[1]);
  if (rest.size() == 1) {
    const std::string& only = rest[0];
    if (only == "-") return stdin_input();
    if (only.starts_with("--input-file=")) return file_input(only.substr(13));
    if (only.starts_with("--")) return flag_input(rest);
    return argument_input(only);
  }
  return flag_input(rest);
}

}  // namespace parlevox::cli
