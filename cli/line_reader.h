// Reading a stream as lines, one large read at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parlevox::cli {

/// Splits what a file descriptor delivers into lines. Reads in large chunks so that many short
/// lines cost one system call; blocking (a non-blocking descriptor is waited on with poll).
class LineReader {
 public:
  explicit LineReader(int fd);

  /// The next line without its newline; at the end of the stream the unterminated rest, if any.
  /// Nothing once the stream has ended or a read failed (a failed read drops an unfinished
  /// line). The view lasts until the next call.
  std::optional<std::string_view> next_line();

 private:
  enum class Fill { data, end, failed };
  Fill fill();

  int fd_;
  std::vector<char> chunk_;
  std::string buffer_;
  std::size_t start_ = 0;    // first byte of the buffer not yet handed out
  std::size_t scanned_ = 0;  // bytes from start_ known to hold no newline
  bool ended_ = false;
};

}  // namespace parlevox::cli
