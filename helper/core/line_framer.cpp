// Input framing: the byte stream of standard input cut into command lines, with a ceiling on one
// line's length.
#include "helper/core/line_framer.h"

#include <algorithm>
#include <new>

namespace parlevox {
namespace {

// A buffer up to this size is kept for the next long line; a larger one goes back at once.
constexpr std::size_t kKeptCapacity = 64 * 1024;

}  // namespace

void LineFramer::feed(std::string_view chunk, const Sink& sink) {
  std::size_t start = 0;
  for (std::size_t end; (end = chunk.find('\n', start)) != std::string_view::npos;
       start = end + 1) {
    const auto piece = chunk.substr(start, end - start);
    if (dropping_) {
      dropping_ = false;  // the end of a line too long to read
    } else if (pending_.empty()) {
      if (piece.size() <= maxLine_) sink(piece);  // whole in this chunk: no copy
    } else {
      if (hold(piece)) sink(pending_);
      release();
    }
  }
  if (!dropping_ && !hold(chunk.substr(start))) {
    dropping_ = true;
    release();
  }
}

void LineFramer::finish(const Sink& sink) {
  if (!dropping_ && !pending_.empty()) sink(pending_);
  dropping_ = false;
  release();
}

bool LineFramer::hold(std::string_view piece) {
  if (piece.size() > maxLine_ - pending_.size()) return false;
  if (piece.empty()) return true;
  try {
    // Grown by doubling, but never past the ceiling.
    const std::size_t needed = pending_.size() + piece.size();
    if (needed > pending_.capacity())
      pending_.reserve(std::min(maxLine_, std::max(needed, 2 * pending_.capacity())));
    pending_.append(piece);
  } catch (const std::bad_alloc&) {
    return false;  // no memory for the line: it is dropped, the helper goes on
  }
  return true;
}

void LineFramer::release() {
  if (pending_.capacity() > kKeptCapacity)
    std::string().swap(pending_);
  else
    pending_.clear();
}

}  // namespace parlevox
