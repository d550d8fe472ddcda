// The FFmpeg decoder in-process: whole tracks, early ends and inputs without sound.
#include "helper/platform/linux/ffmpeg_decoder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "helper/output/decode_to_wav.h"
#include "helper/tests/support/file_size_limit.h"

namespace parlevox {
namespace {

namespace fs = std::filesystem;
using OpenError = platform::AudioDecoder::OpenError;

void putLE(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A stereo 16-bit WAV file of a 440 Hz tone.
void writeStereoWav(const fs::path& path, int rate, int frames) {
  std::ofstream out(path, std::ios::binary);
  const std::uint32_t data = static_cast<std::uint32_t>(frames) * 4;
  out.write("RIFF", 4);
  putLE(out, data + 36, 4);
  out.write("WAVEfmt ", 8);
  putLE(out, 16, 4);
  putLE(out, 1, 2);
  putLE(out, 2, 2);
  putLE(out, static_cast<std::uint32_t>(rate), 4);
  putLE(out, static_cast<std::uint32_t>(rate) * 4, 4);
  putLE(out, 4, 2);
  putLE(out, 16, 2);
  out.write("data", 4);
  putLE(out, data, 4);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * i / rate));
    putLE(out, static_cast<std::uint16_t>(v), 2);
    putLE(out, static_cast<std::uint16_t>(v), 2);
  }
}

class FfmpegDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "ffmpeg_decoder_XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    dir = name;
  }
  void TearDown() override { fs::remove_all(dir); }

  std::unique_ptr<platform::AudioTrackReader> open(const fs::path& path) {
    auto opened = decoder.open(path.string());
    auto* reader = std::get_if<std::unique_ptr<platform::AudioTrackReader>>(&opened);
    return reader ? std::move(*reader) : nullptr;
  }

  fs::path dir;
  native::FfmpegDecoder decoder;
};

TEST_F(FfmpegDecoderTest, StereoToneBecomesTheSameLengthAtSixteenKilohertzMono) {
  struct Case {
    int rate, frames;
    std::size_t samples;
  };
  // Half a second; and four seconds in a power-of-two number of frames, which fills the reader's
  // internal buffers exactly, so the end of the track arrives with nothing left to hand over.
  for (const Case c : {Case{44100, 22050, 8000}, Case{32768, 131072, 64000}}) {
    SCOPED_TRACE(c.rate);
    writeStereoWav(dir / "tone.wav", c.rate, c.frames);
    auto reader = open(dir / "tone.wav");
    ASSERT_TRUE(reader);
    std::vector<std::int16_t> samples;
    for (;;) {
      auto chunk = reader->next();
      ASSERT_FALSE(chunk.error);
      if (chunk.pcm.empty()) break;
      ASSERT_EQ(chunk.pcm.size() % 2, 0u);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(chunk.pcm.data());
      for (std::size_t i = 0; i < chunk.pcm.size(); i += 2)
        samples.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    EXPECT_EQ(samples.size(), c.samples);
    // Both channels carry the same tone, so the mix keeps its level; 440 Hz has 880 zero
    // crossings a second.
    int peak = 0, crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
      peak = std::max(peak, std::abs(int{samples[i]}));
      crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    }
    EXPECT_NEAR(peak, 8000, 400);
    EXPECT_NEAR(crossings, 880.0 * c.frames / c.rate, 4);
    EXPECT_TRUE(reader->next().pcm.empty());  // the end stays the end
  }
}

TEST_F(FfmpegDecoderTest, ReaderLeftMidwayStopsItsDecodingThread) {
  writeStereoWav(dir / "long.wav", 48000, 48000 * 60);
  for (int reads : {0, 1, 5}) {
    auto reader = open(dir / "long.wav");
    ASSERT_TRUE(reader);
    for (int i = 0; i < reads; ++i) EXPECT_FALSE(reader->next().pcm.empty());
  }
  // The writer gives up on a full disk and drops the reader with a full queue behind it.
  testing::FileSizeLimit limit(100000);
  EXPECT_EQ(decodeToWav(decoder, (dir / "long.wav").string(), (dir / "out.wav").string()),
            (nlohmann::json{{"ok", false}, {"error", "cannot_write"}}));
}

TEST_F(FfmpegDecoderTest, InputsWithoutReadableSoundHaveNoAudio) {
  std::ofstream(dir / "notes.txt") << "no sound in here\n";
  std::ofstream(dir / "noise.mp3") << std::string(4096, '\x5a');
  for (const auto& path : {std::string(), (dir / "missing.wav").string(), dir.string(),
                           (dir / "notes.txt").string(), (dir / "noise.mp3").string()}) {
    SCOPED_TRACE(path);
    auto opened = decoder.open(path);
    ASSERT_TRUE(std::holds_alternative<OpenError>(opened));
    EXPECT_EQ(std::get<OpenError>(opened), OpenError::noAudio);
  }
}

}  // namespace
}  // namespace parlevox
