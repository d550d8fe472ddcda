// Input framing: the byte stream of standard input cut into command lines, with a ceiling on one
// line's length.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace parlevox {

/// The longest command line the helper reads, in bytes before the line feed (4 MiB). Real
/// commands stay far below it (the longest carry a path or one field's expected text), and it
/// keeps what reading and decoding one line costs to a few times its size, some 20 MB at most.
/// Longer lines are dropped like malformed ones.
inline constexpr std::size_t kMaxLineBytes = std::size_t{4} << 20;

/// Cuts chunks of input into lines (without their line feed). A line longer than the ceiling is
/// dropped as it streams past: it is never held whole.
class LineFramer {
 public:
  using Sink = std::function<void(std::string_view line)>;

  explicit LineFramer(std::size_t maxLine = kMaxLineBytes) : maxLine_(maxLine) {}

  /// Hands each line that `chunk` completes to `sink`, in order, and keeps the unfinished rest.
  void feed(std::string_view chunk, const Sink& sink);
  /// At end of input: hands over a last line that has no line feed, unless it was too long.
  void finish(const Sink& sink);
  /// Bytes the framer holds allocated for an unfinished line.
  std::size_t heldCapacity() const { return pending_.capacity(); }

 private:
  bool hold(std::string_view piece);
  void release();

  std::size_t maxLine_;
  std::string pending_;    // the unfinished line, while it fits under the ceiling
  bool dropping_ = false;  // inside a line over the ceiling, until its line feed
};

}  // namespace parlevox
