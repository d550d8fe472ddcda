// Reading the first audio track of a media file as 16 kHz mono 16-bit little-endian PCM.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace parlevox::platform {

/// One opened audio track, delivered in successive buffers. Used by one thread at a time.
class AudioTrackReader {
 public:
  /// The next buffer of the track, or the end, or why decoding stopped.
  struct Chunk {
    /// Interleaved signed 16-bit little-endian samples at 16000 Hz, one channel. Valid until the
    /// next call. Empty at the end of the track and on failure.
    std::span<const std::byte> pcm;
    /// The decoder's own description of a failure that stopped decoding.
    std::optional<std::string> error;
  };

  virtual ~AudioTrackReader() = default;
  /// Decodes until the next buffer is ready. At the end every sample the track holds has been
  /// delivered, including what the decoder and the resampler held back.
  virtual Chunk next() = 0;
};

class AudioDecoder {
 public:
  /// Why a file could not be opened for reading its audio.
  enum class OpenError {
    noAudio,      ///< the file cannot be opened, holds no audio track, or its tracks cannot be read
    unreadable,   ///< no reader can be set up for the track
    unsupported,  ///< the track cannot be decoded or converted to the output format
  };
  using Opened = std::variant<std::unique_ptr<AudioTrackReader>, OpenError>;

  virtual ~AudioDecoder() = default;
  /// Opens the first audio track, in the file's own order, of the regular file at `path`, ready
  /// to deliver 16 kHz mono 16-bit PCM. Blocks while it reads the file's headers. Safe from any
  /// thread; every reader it returns is independent of the others.
  virtual Opened open(const std::string& path) = 0;
};

}  // namespace parlevox::platform
