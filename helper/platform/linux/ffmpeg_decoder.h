// Audio decoding with the FFmpeg libraries: demuxing, decoding and resampling to 16 kHz mono.
#pragma once

#include "helper/platform/audio_decoder.h"

namespace parlevox::native {

class FfmpegDecoder final : public platform::AudioDecoder {
 public:
  /// Silences the libraries' own logging: the helper's stderr stays unused.
  FfmpegDecoder();
  /// Opens local regular files only, whatever the path looks like: no network or other protocols,
  /// and no format that would open further inputs the file names (playlists, concatenation
  /// scripts, image sequences).
  Opened open(const std::string& path) override;
};

}  // namespace parlevox::native
