// Reading a stream as lines, one large read at a time, each line within a ceiling.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parlevox::cli {

/// One line from a LineReader: its text without the newline, or the mark of a line that was
/// longer than the ceiling (its text is then empty and was never held in memory whole).
struct ReadLine {
  std::string_view text;
  bool too_long = false;
};

/// Splits what a file descriptor delivers into lines. Reads in large chunks so that many short
/// lines cost one system call; blocking (a non-blocking descriptor is waited on with poll).
/// Memory stays within the ceiling plus one chunk, whatever the stream holds.
class LineReader {
 public:
  LineReader(int fd, std::size_t max_line_bytes);

  /// The next line; at the end of the stream the unterminated rest, if any. A line longer than
  /// the ceiling is reported as too long as soon as it passes the ceiling, and the rest of it up
  /// to its newline is skipped. Nothing once the stream has ended or a read failed (a failed
  /// read drops an unfinished line). The view lasts until the next call.
  std::optional<ReadLine> next_line();

 private:
  enum class Fill { data, end, failed };
  Fill fill();

  int fd_;
  std::size_t max_line_bytes_;
  std::vector<char> chunk_;
  std::string buffer_;
  std::size_t start_ = 0;    // first byte of the buffer not yet handed out
  std::size_t scanned_ = 0;  // bytes from start_ known to hold no newline
  bool skipping_ = false;    // inside a line that was too long: drop bytes up to its newline
  bool ended_ = false;
};

}  // namespace parlevox::cli
