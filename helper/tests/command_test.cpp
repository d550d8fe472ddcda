// Decoding of command lines: the type rules for each kind of field, nested records and nulls.
#include "helper/core/command.h"

#include <gtest/gtest.h>

namespace parlevox {
namespace {

bool decodes(const char* line) {
  return decodeCommand(line).has_value();
}

TEST(DecodeCommand, NeedsAnObjectWithAStringCmd) {
  EXPECT_TRUE(decodes(R"({"cmd":"status"})"));
  EXPECT_FALSE(decodes(R"({"id":1})"));
  EXPECT_FALSE(decodes(R"({"cmd":5})"));
  EXPECT_FALSE(decodes(R"({"cmd":null})"));
  EXPECT_FALSE(decodes(R"([{"cmd":"status"}])"));
  EXPECT_FALSE(decodes(R"("status")"));
  EXPECT_FALSE(decodes("not json"));
  EXPECT_FALSE(decodes(R"({"cmd":"status"} trailing)"));
  EXPECT_FALSE(decodes(""));
}

TEST(DecodeCommand, IntsMustBeIntegralNumbers) {
  EXPECT_EQ(decodeCommand(R"({"cmd":"x","id":7.0})")->id, 7);
  EXPECT_EQ(decodeCommand(R"({"cmd":"x","count":1e3})")->count, 1000);
  EXPECT_EQ(decodeCommand(R"({"cmd":"x","pid":-12})")->pid, -12);
  EXPECT_EQ(decodeCommand(R"({"cmd":"x","id":9223372036854775807})")->id, INT64_MAX);
  EXPECT_FALSE(decodes(R"({"cmd":"x","id":7.5})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","id":"7"})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","id":true})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","id":9223372036854775808})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","id":1e19})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","level":1e400})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","maxChars":[1]})"));
}

TEST(DecodeCommand, BoolsAreOnlyTrueOrFalse) {
  EXPECT_EQ(decodeCommand(R"({"cmd":"arm","armed":false})")->armed, false);
  EXPECT_FALSE(decodes(R"({"cmd":"arm","armed":1})"));
  EXPECT_FALSE(decodes(R"({"cmd":"arm","armed":"true"})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","print":0})"));
}

TEST(DecodeCommand, DoublesTakeAnyNumber) {
  EXPECT_EQ(decodeCommand(R"({"cmd":"duck","level":1})")->level, 1.0);
  EXPECT_EQ(decodeCommand(R"({"cmd":"duck","level":0.25})")->level, 0.25);
  EXPECT_FALSE(decodes(R"({"cmd":"duck","level":"0.2"})"));
  EXPECT_FALSE(decodes(R"({"cmd":"config","typingGapMs":false})"));
}

TEST(DecodeCommand, ArraysNeedEveryElementOfTheirType) {
  auto c = decodeCommand(R"({"cmd":"ownClicks","rect":[1,2.5,3,4],"around":[2,3.0]})");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->rect, (std::vector<double>{1, 2.5, 3, 4}));
  EXPECT_EQ(c->around, (std::vector<std::int64_t>{2, 3}));
  EXPECT_FALSE(decodes(R"({"cmd":"x","around":[1,2.5]})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","watch":["LeftOption",1]})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","watch":["LeftOption",null]})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","watch":"LeftOption"})"));
  EXPECT_FALSE(decodes(R"({"cmd":"x","menuKeys":[1,"2"]})"));
  EXPECT_TRUE(decodes(R"({"cmd":"x","typingMarks":[]})"));
}

TEST(DecodeCommand, NestedRecordsNeedBothFields) {
  auto c =
      decodeCommand(R"({"cmd":"config","swallow":[{"key":"Space","when":["LeftOption"],"x":1}]})");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->swallow, (std::vector<SwallowRule>{{"Space", {"LeftOption"}}}));
  EXPECT_FALSE(decodes(R"({"cmd":"config","swallow":[{"key":"Space"}]})"));
  EXPECT_FALSE(decodes(R"({"cmd":"config","swallow":[{"when":[]}]})"));
  EXPECT_FALSE(decodes(R"({"cmd":"config","swallow":[{"key":"Space","when":null}]})"));
  EXPECT_FALSE(decodes(R"({"cmd":"config","swallow":[["Space",[]]]})"));
  auto h = decodeCommand(R"({"cmd":"hotkeyOwners","hotkeys":[{"key":"KeyK","mods":[]}]})");
  ASSERT_TRUE(h);
  EXPECT_EQ(h->hotkeys, (std::vector<HotkeyAsk>{{"KeyK", {}}}));
  EXPECT_FALSE(decodes(R"({"cmd":"hotkeyOwners","hotkeys":[{"key":"KeyK"}]})"));
  EXPECT_FALSE(decodes(R"({"cmd":"hotkeyOwners","hotkeys":[{"mods":["shift"]}]})"));
}

TEST(DecodeCommand, NullIsAbsentAndUnknownKeysAreIgnored) {
  auto c = decodeCommand(R"({"cmd":"status","pid":null,"extra":5,"Pid":"x","swallow":null})");
  ASSERT_TRUE(c);
  EXPECT_FALSE(c->pid);
  EXPECT_FALSE(c->swallow);
  EXPECT_FALSE(c->id);
}

}  // namespace
}  // namespace parlevox
