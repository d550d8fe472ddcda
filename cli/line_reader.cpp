// Reading a stream as lines, one large read at a time, each line within a ceiling.
#include "cli/line_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace parlevox::cli {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

}  // namespace

LineReader::LineReader(int fd, std::size_t max_line_bytes)
    : fd_(fd), max_line_bytes_(max_line_bytes), chunk_(kChunkBytes) {}

LineReader::Fill LineReader::fill() {
  for (;;) {
    ssize_t n = ::read(fd_, chunk_.data(), chunk_.size());
    if (n == 0) return Fill::end;
    if (n > 0) {
      // Drop what was handed out first, so the buffer holds one partial line and one chunk.
      buffer_.erase(0, start_);
      start_ = 0;
      buffer_.append(chunk_.data(), static_cast<std::size_t>(n));
      return Fill::data;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd readable{fd_, POLLIN, 0};
      if (::poll(&readable, 1, -1) >= 0 || errno == EINTR) continue;
    }
    return Fill::failed;
  }
}

std::optional<ReadLine> LineReader::next_line() {
  while (!ended_) {
    std::size_t newline = buffer_.find('\n', start_ + scanned_);
    if (skipping_) {
      if (newline != std::string::npos) {
        start_ = newline + 1;
        scanned_ = 0;
        skipping_ = false;
        continue;
      }
      buffer_.clear();
      start_ = scanned_ = 0;
    } else if (newline != std::string::npos) {
      std::string_view line(buffer_.data() + start_, newline - start_);
      start_ = newline + 1;
      scanned_ = 0;
      if (line.size() > max_line_bytes_) return ReadLine{{}, true};
      return ReadLine{line};
    } else if (buffer_.size() - start_ > max_line_bytes_) {
      buffer_.clear();
      start_ = scanned_ = 0;
      skipping_ = true;
      return ReadLine{{}, true};
    } else {
      scanned_ = buffer_.size() - start_;
    }
    switch (fill()) {
      case Fill::data:
        break;
      case Fill::failed:
        ended_ = true;
        return std::nullopt;
      case Fill::end:
        ended_ = true;
        if (skipping_ || start_ == buffer_.size()) return std::nullopt;
        return ReadLine{std::string_view(buffer_.data() + start_, buffer_.size() - start_)};
    }
  }
  return std::nullopt;
}

}  // namespace parlevox::cli
