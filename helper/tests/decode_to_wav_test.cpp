// Writing decoded audio as WAV: header layout, streaming, failure words and the "decode" command.
#include "helper/output/decode_to_wav.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/audio_decoder.h"
#include "helper/tests/support/virtual_run_loop.h"

namespace parlevox {
namespace {

using nlohmann::json;
using OpenError = platform::AudioDecoder::OpenError;
namespace fs = std::filesystem;

std::vector<std::byte> bytes(std::size_t count, int seed) {
  std::vector<std::byte> b(count);
  for (std::size_t i = 0; i < count; ++i) b[i] = std::byte(static_cast<unsigned>(i * 7 + seed));
  return b;
}

// Delivers the scripted buffers, then the end or the failure.
class ScriptedReader final : public platform::AudioTrackReader {
 public:
  ScriptedReader(std::vector<std::vector<std::byte>> buffers, std::optional<std::string> failure)
      : buffers_(std::move(buffers)), failure_(std::move(failure)) {}
  Chunk next() override {
    if (next_ < buffers_.size()) return {.pcm = buffers_[next_++], .error = std::nullopt};
    return {.pcm = {}, .error = failure_};
  }

 private:
  std::vector<std::vector<std::byte>> buffers_;
  std::optional<std::string> failure_;
  std::size_t next_ = 0;
};

class ScriptedDecoder final : public platform::AudioDecoder {
 public:
  std::optional<OpenError> openError;
  std::vector<std::vector<std::byte>> buffers;
  std::optional<std::string> failure;
  std::vector<std::string> opened;

  Opened open(const std::string& path) override {
    opened.push_back(path);
    if (openError) return *openError;
    return std::make_unique<ScriptedReader>(buffers, failure);
  }
};

std::vector<std::byte> fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> raw{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::byte> out(raw.size());
  std::memcpy(out.data(), raw.data(), raw.size());
  return out;
}

std::vector<std::byte> headerBytes(std::uint32_t dataSize) {
  auto h = wavHeader(dataSize);
  std::vector<std::byte> out(h.size());
  std::memcpy(out.data(), h.data(), h.size());
  return out;
}

class DecodeToWav : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "decode_to_wav_XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    dir = name;
    out = (dir / "out.wav").string();
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  std::string out;
  ScriptedDecoder decoder;
};

TEST(WavHeader, HoldsTheSizesAndTheFixedFormat) {
  const auto h = wavHeader(0x01020304);
  const std::uint8_t expected[44] = {
      'R', 'I', 'F', 'F', 0x28, 0x03, 0x02, 0x01, 'W', 'A',  'V',  'E',  'f',  'm',  't',
      ' ', 16,  0,   0,   0,    1,    0,    1,    0,   0x80, 0x3e, 0,    0,    0x00, 0x7d,
      0,   0,   2,   0,   16,   0,    'd',  'a',  't', 'a',  0x04, 0x03, 0x02, 0x01};
  EXPECT_TRUE(std::equal(h.begin(), h.end(), expected));
}

TEST_F(DecodeToWav, StreamsEveryBufferAndPatchesTheSizesAtTheEnd) {
  // Small buffers are gathered, a large one goes straight through; the order stays.
  decoder.buffers = {bytes(640, 1), bytes(2, 2), bytes(200000, 3), bytes(31158, 4)};
  const auto reply = decodeToWav(decoder, "in.m4a", out);
  const std::uint32_t total = 640 + 2 + 200000 + 31158;
  EXPECT_EQ(reply, (json{{"ok", true}, {"seconds", total / 32000.0}}));
  auto expected = headerBytes(total);
  for (const auto& b : decoder.buffers) expected.insert(expected.end(), b.begin(), b.end());
  EXPECT_EQ(fileBytes(out), expected);
  EXPECT_EQ(decoder.opened, std::vector<std::string>{"in.m4a"});
}

TEST_F(DecodeToWav, TrackWithoutSamplesGivesAnEmptyWav) {
  EXPECT_EQ(decodeToWav(decoder, "in.wav", out), (json{{"ok", true}, {"seconds", 0.0}}));
  EXPECT_EQ(fileBytes(out), headerBytes(0));
}

TEST_F(DecodeToWav, ExistingOutputIsReplaced) {
  std::ofstream(out) << std::string(100000, 'x');
  decoder.buffers = {bytes(64, 9)};
  decodeToWav(decoder, "in.wav", out);
  EXPECT_EQ(fs::file_size(out), 44u + 64u);
}

TEST_F(DecodeToWav, OpenFailuresAnswerTheirWordAndCreateNoFile) {
  const std::pair<OpenError, const char*> cases[] = {{OpenError::noAudio, "no_audio"},
                                                     {OpenError::unreadable, "unreadable"},
                                                     {OpenError::unsupported, "unsupported"}};
  for (auto [error, word] : cases) {
    decoder.openError = error;
    EXPECT_EQ(decodeToWav(decoder, "in.mp4", out), (json{{"ok", false}, {"error", word}}));
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST_F(DecodeToWav, UnwritableOutputsAnswerCannotWrite) {
  decoder.buffers = {bytes(3200, 1)};
  const json cannotWrite{{"ok", false}, {"error", "cannot_write"}};
  EXPECT_EQ(decodeToWav(decoder, "in.wav", (dir / "missing" / "out.wav").string()), cannotWrite);
  EXPECT_EQ(decodeToWav(decoder, "in.wav", ""), cannotWrite);
  EXPECT_EQ(decodeToWav(decoder, "in.wav", dir.string()), cannotWrite);
  // A full disk is a failure, not a short file reported as a success.
  EXPECT_EQ(decodeToWav(decoder, "in.wav", "/dev/full"), cannotWrite);
}

TEST_F(DecodeToWav, OutputNamingTheInputIsRefusedAndTheInputKept) {
  const auto input = dir / "in.wav";
  std::ofstream(input) << "RIFF and some samples";
  decoder.buffers = {bytes(3200, 1)};
  EXPECT_EQ(decodeToWav(decoder, input.string(), (dir / "." / "in.wav").string()),
            (json{{"ok", false}, {"error", "cannot_write"}}));
  EXPECT_EQ(fs::file_size(input), 21u);
}

TEST_F(DecodeToWav, FailureMidwayKeepsWhatWasWrittenUnderThePlaceholder) {
  decoder.buffers = {bytes(1000, 1), bytes(70000, 2)};
  decoder.failure = "Invalid data found when processing input";
  EXPECT_EQ(decodeToWav(decoder, "in.mp3", out),
            (json{{"ok", false}, {"error", "Invalid data found when processing input"}}));
  auto expected = headerBytes(0);
  for (const auto& b : decoder.buffers) expected.insert(expected.end(), b.begin(), b.end());
  EXPECT_EQ(fileBytes(out), expected);
}

TEST_F(DecodeToWav, CommandDecodesInTheBackgroundAndRepliesFromTheMainQueue) {
  std::vector<std::string> lines;
  setLineSink([&](std::string_view line) { lines.emplace_back(line); });
  parlevox::testing::VirtualRunLoop loop;
  decoder.buffers = {bytes(16000, 1)};
  Helper h{.state = {}, .platform = {.audioDecoder = &decoder}, .loop = loop, .exit = [](int) {}};

  Command c;
  c.cmd = "decode";
  c.id = 12;
  c.path = "in.flac";
  c.out = out;
  runDecode(h, c);
  EXPECT_TRUE(decoder.opened.empty());
  ASSERT_TRUE(loop.runOne());  // the decoding, in the background
  EXPECT_EQ(decoder.opened.size(), 1u);
  EXPECT_TRUE(lines.empty());  // the reply waits for the main queue
  ASSERT_TRUE(loop.runOne());
  EXPECT_FALSE(loop.runOne());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(json::parse(lines[0]), (json{{"ok", true}, {"seconds", 0.5}, {"id", 12}}));

  // Without `path` and `out` both are empty: no audio, and nothing written anywhere.
  decoder.openError = OpenError::noAudio;
  Command bare;
  bare.cmd = "decode";
  runDecode(h, bare);
  loop.drain();
  EXPECT_EQ(decoder.opened.back(), "");
  EXPECT_EQ(json::parse(lines[1]), (json{{"ok", false}, {"error", "no_audio"}}));
  setLineSink(nullptr);
}

}  // namespace
}  // namespace parlevox
