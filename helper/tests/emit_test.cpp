// Output lines: one compact object per line, ids added, bad text repaired, no interleaving.
#include "helper/core/emit.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "helper/platform/text.h"

namespace parlevox {
namespace {

class EmitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLineSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  void TearDown() override { setLineSink(nullptr); }
  std::vector<std::string> lines;
};

TEST_F(EmitTest, RespondAddsOrReplacesTheIdOnlyWhenGiven) {
  respond(7, {{"ok", true}, {"id", 99}});
  respond(std::nullopt, {{"ok", true}});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "{\"id\":7,\"ok\":true}\n");
  EXPECT_EQ(lines[1], "{\"ok\":true}\n");
}

TEST_F(EmitTest, InvalidTextIsRepairedInsteadOfDroppingTheLine) {
  emit({{"t", "x"}, {"text", std::string("a\xff") + "b"}});
  std::u16string lone = u"x";
  lone.push_back(char16_t(0xD800));
  emit({{"t", "y"}, {"text", platform::utf8FromUtf16(lone)}});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "{\"t\":\"x\",\"text\":\"a\xEF\xBF\xBD"
            "b\"}\n");
  EXPECT_EQ(lines[1], "{\"t\":\"y\",\"text\":\"x\xEF\xBF\xBD\"}\n");
}

TEST_F(EmitTest, LinesFromManyThreadsStayWhole) {
  constexpr int kThreads = 8, kLines = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        respond(i, {{"ok", true}, {"thread", t}, {"pad", std::string(200, 'a' + t)}});
    });
  for (auto& th : threads) th.join();
  ASSERT_EQ(lines.size(), std::size_t{kThreads * kLines});
  std::vector<int> next(kThreads, 0);
  for (const auto& line : lines) {
    ASSERT_EQ(line.back(), '\n');
    auto j = nlohmann::json::parse(line);
    int t = j["thread"];
    EXPECT_EQ(j["id"], next[t]++) << "lines of one thread keep their order";
    EXPECT_EQ(j["pad"], std::string(200, 'a' + t));
  }
}

TEST(Text, Utf16RoundTripsAndRepairs) {
  EXPECT_EQ(platform::utf8FromUtf16(u"héllo 😀"), "héllo 😀");
  EXPECT_EQ(platform::utf16FromUtf8("héllo 😀"), u"héllo 😀");
  std::u16string lowFirst{char16_t(0xDC00), u'a'};
  EXPECT_EQ(platform::utf8FromUtf16(lowFirst),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(platform::utf16FromUtf8("a\xC3"), u"a\uFFFD");
}

}  // namespace
}  // namespace parlevox
