// Input framing: lines cut from chunks as they come, lines over the ceiling dropped unheld.
#include "helper/core/line_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace parlevox {
namespace {

// The lines a framer with a ceiling of 8 bytes hands over for the input in these chunks.
std::vector<std::string> framed(std::vector<std::string> chunks) {
  LineFramer framer(8);
  std::vector<std::string> lines;
  const LineFramer::Sink sink = [&](std::string_view line) { lines.emplace_back(line); };
  for (const auto& chunk : chunks) framer.feed(chunk, sink);
  framer.finish(sink);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineFramer, LinesUpToTheCeilingPassAndLongerOnesAreDropped) {
  struct Case {
    std::vector<std::string> chunks;
    Lines lines;
  };
  const Case cases[] = {
      {{"a\nbb\n\nccc"}, {"a", "bb", "", "ccc"}},
      {{"12345678\n123456789\nok\n"}, {"12345678", "ok"}},
      // Split across chunks: the ceiling counts the whole line.
      {{"1234", "5678\n"}, {"12345678"}},
      {{"1234", "56789\nok\n"}, {"ok"}},
      {{"1234", "5678", "9", "abc", "def\nok"}, {"ok"}},
      {{"123456789", "\n", "ok\n"}, {"ok"}},
      // A last line without a line feed, over the ceiling or not.
      {{"ok\n12345", "6789"}, {"ok"}},
      {{"ok\r\n", "x\r"}, {"ok\r", "x\r"}},
  };
  for (const auto& c : cases) {
    std::string input;
    for (const auto& chunk : c.chunks) input += "|" + chunk;
    EXPECT_EQ(framed(c.chunks), c.lines) << input;
  }
}

TEST(LineFramer, ALongLineGivesItsMemoryBack) {
  LineFramer framer(1 << 20);
  std::size_t handed = 0;
  const LineFramer::Sink sink = [&](std::string_view line) { handed = line.size(); };
  const std::string part(100'000, 'a');
  for (int i = 0; i < 5; ++i) framer.feed(part, sink);
  EXPECT_GE(framer.heldCapacity(), 500'000u);
  framer.feed("\n", sink);
  EXPECT_EQ(handed, 500'000u);
  EXPECT_LE(framer.heldCapacity(), 64u * 1024);
  // A line over the ceiling is let go of as soon as it passes the ceiling.
  for (int i = 0; i < 11; ++i) framer.feed(part, sink);
  EXPECT_LE(framer.heldCapacity(), 64u * 1024);
}

}  // namespace
}  // namespace parlevox
