// Decoding an audio file to a 16 kHz mono 16-bit WAV file, and the "decode" command.
#include "helper/output/decode_to_wav.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <span>
#include <vector>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/audio_decoder.h"

namespace parlevox {
namespace {

constexpr std::uint32_t kSampleRate = 16000;
constexpr std::uint32_t kBytesPerSecond = kSampleRate * 2;
// The RIFF size field holds data size + 36 in 32 bits.
constexpr std::uint64_t kMaxDataSize = 0xFFFFFFFFull - 36;
// Samples are gathered to this size before each write, so a long file costs few system calls.
constexpr std::size_t kWriteBatch = 64 * 1024;

nlohmann::json failure(std::string error) {
  return {{"ok", false}, {"error", std::move(error)}};
}

const char* openErrorWord(platform::AudioDecoder::OpenError error) {
  switch (error) {
    case platform::AudioDecoder::OpenError::noAudio:
      return "no_audio";
    case platform::AudioDecoder::OpenError::unreadable:
      return "unreadable";
    case platform::AudioDecoder::OpenError::unsupported:
      return "unsupported";
  }
  return "no_audio";
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes, off_t* at = nullptr) {
  while (!bytes.empty()) {
    ssize_t n = at ? ::pwrite(fd, bytes.data(), bytes.size(), *at)
                   : ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(n));
    if (at) *at += n;
  }
  return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the output for writing the WAV file: an existing regular file, emptied, or a new one.
// Anything else is refused without blocking: a pipe or device would stall the decode or swallow
// its samples, the helper's own standard streams carry only protocol lines, and truncating the
// input while it is being read would destroy it. The checks are made on the opened descriptor, so
// a pipe or device put in place after a first look at the name is still refused; that first look
// only spares opening a device at all. -1 when refused.
int openOutput(const std::string& out, const std::string& input) {
  struct stat named {};
  if (::stat(out.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) return -1;
  const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  struct stat opened {
  }, other{};
  bool usable = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
  for (int stream = 0; usable && stream <= 2; ++stream)
    usable = ::fstat(stream, &other) != 0 || !sameFile(opened, other);
  usable = usable && (::stat(input.c_str(), &other) != 0 || !sameFile(opened, other));
  // Emptied only now that it is known to be a file of its own.
  usable = usable && ::ftruncate(fd, 0) == 0 && ::fcntl(fd, F_SETFL, 0) == 0;
  if (!usable) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void putU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The output file, written through a batch buffer; any failed write sticks.
class WavFile {
 public:
  explicit WavFile(int fd) : fd_(fd) { batch_.reserve(kWriteBatch); }
  ~WavFile() { ::close(fd_); }

  void append(std::span<const std::byte> pcm) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pcm.data());
    if (batch_.size() + pcm.size() > kWriteBatch) flush();
    if (pcm.size() >= kWriteBatch) {
      ok_ = ok_ && writeAll(fd_, {bytes, pcm.size()});
    } else {
      batch_.insert(batch_.end(), bytes, bytes + pcm.size());
    }
  }

  void flush() {
    ok_ = ok_ && writeAll(fd_, batch_);
    batch_.clear();
  }

  /// The header with a data size of zero, before any sample.
  void writePlaceholder() { ok_ = ok_ && writeAll(fd_, wavHeader(0)); }
  /// Rewrites the header in place once the data size is known.
  void patchHeader(std::uint32_t dataSize) {
    off_t at = 0;
    ok_ = ok_ && writeAll(fd_, wavHeader(dataSize), &at);
  }

  bool ok() const { return ok_; }

 private:
  int fd_;
  bool ok_ = true;
  std::vector<std::uint8_t> batch_;
};

}  // namespace

std::array<std::uint8_t, 44> wavHeader(std::uint32_t dataSize) {
  std::array<std::uint8_t, 44> h{};
  std::memcpy(&h[0], "RIFF", 4);
  putU32(&h[4], dataSize + 36);
  std::memcpy(&h[8], "WAVE", 4);
  std::memcpy(&h[12], "fmt ", 4);
  putU32(&h[16], 16);
  putU16(&h[20], 1);  // linear PCM
  putU16(&h[22], 1);  // one channel
  putU32(&h[24], kSampleRate);
  putU32(&h[28], kBytesPerSecond);
  putU16(&h[32], 2);  // bytes per sample frame
  putU16(&h[34], 16);
  std::memcpy(&h[36], "data", 4);
  putU32(&h[40], dataSize);
  return h;
}

nlohmann::json decodeToWav(platform::AudioDecoder& decoder, const std::string& path,
                           const std::string& out) {
  auto opened = decoder.open(path);
  if (auto* error = std::get_if<platform::AudioDecoder::OpenError>(&opened))
    return failure(openErrorWord(*error));
  auto& reader = *std::get<std::unique_ptr<platform::AudioTrackReader>>(opened);

  const int fd = openOutput(out, path);
  if (fd < 0) return failure("cannot_write");
  WavFile file(fd);

  file.writePlaceholder();
  std::uint64_t total = 0;
  for (;;) {
    auto chunk = reader.next();
    if (chunk.error) {
      file.flush();
      return failure(std::move(*chunk.error));
    }
    if (chunk.pcm.empty()) break;
    total += chunk.pcm.size();
    if (total > kMaxDataSize) {
      file.flush();
      return failure("too_long");
    }
    file.append(chunk.pcm);
    // A full disk or a failing device: stop rather than report a short file as a success.
    if (!file.ok()) return failure("cannot_write");
  }
  file.flush();
  file.patchHeader(static_cast<std::uint32_t>(total));
  if (!file.ok()) return failure("cannot_write");
  return {{"ok", true}, {"seconds", static_cast<double>(total) / kBytesPerSecond}};
}

void runDecode(Helper& h, const Command& c) {
  auto* decoder = h.platform.audioDecoder;
  h.loop.background(
      [&loop = h.loop, decoder, id = c.id, path = c.path.value_or(""), out = c.out.value_or("")] {
        auto reply = decoder ? decodeToWav(*decoder, path, out) : failure("unsupported");
        loop.post([id, reply = std::move(reply)]() mutable { respond(id, std::move(reply)); });
      });
}

}  // namespace parlevox
