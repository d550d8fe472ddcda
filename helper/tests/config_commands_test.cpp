// config, arm and ownClicks on the helper's state: clamping, marks, arming effects, own-click
// areas.
#include <gtest/gtest.h>

#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using testing::TestHelper;
using Json = nlohmann::json;

TEST(ConfigTiming, TypingGapIsClampedBelowAt500) {
  TestHelper t;
  EXPECT_EQ(t.run(R"({"cmd":"config","typingGapMs":100,"id":1})"), (Json{{"ok", true}, {"id", 1}}));
  EXPECT_EQ(t.state.typing.typingGapMs, 500);
  t.run(R"({"cmd":"config","typingGapMs":1200})");
  EXPECT_EQ(t.state.typing.typingGapMs, 1200);
  t.run(R"({"cmd":"config","typingGapMs":500})");
  EXPECT_EQ(t.state.typing.typingGapMs, 500);
}

TEST(ConfigTiming, TypingAfterIsClampedAtZeroAndClearsTheReport) {
  TestHelper t;
  t.state.typing.typingReported = true;
  t.run(R"({"cmd":"config","typingAfterMs":-5})");
  EXPECT_EQ(t.state.typing.typingAfterMs, 0);
  EXPECT_FALSE(t.state.typing.typingReported);
  t.state.typing.typingReported = true;
  t.run(R"({"cmd":"config","typingAfterMs":2500.5})");
  EXPECT_EQ(t.state.typing.typingAfterMs, 2500.5);
  EXPECT_FALSE(t.state.typing.typingReported);
}

TEST(ConfigTiming, CaptureAfterIsClampedAtZero) {
  TestHelper t;
  t.run(R"({"cmd":"config","captureAfterMs":-0.5})");
  EXPECT_EQ(t.state.keyboard.captureAfterMs, 0);
  t.run(R"({"cmd":"config","captureAfterMs":750})");
  EXPECT_EQ(t.state.keyboard.captureAfterMs, 750);
}

TEST(ConfigMarks, KeepsPositiveMarksSortedAndCountsThemAsPassed) {
  TestHelper t;
  t.run(R"({"cmd":"config","typingMarks":[3000,-1,0,1000,1000]})");
  EXPECT_EQ(t.state.typing.typingMarks, (std::vector<double>{1000, 1000, 3000}));
  EXPECT_EQ(t.state.typing.typingNextMark, 3);
  t.run(R"({"cmd":"config","typingMarks":[0.5,-7,250.25]})");
  EXPECT_EQ(t.state.typing.typingMarks, (std::vector<double>{0.5, 250.25}));
  EXPECT_EQ(t.state.typing.typingNextMark, 2);
  t.run(R"({"cmd":"config","typingMarks":[]})");
  EXPECT_TRUE(t.state.typing.typingMarks.empty());
  EXPECT_EQ(t.state.typing.typingNextMark, 0);
}

TEST(ConfigKeys, WatchAndSwallowReplaceTheirSettings) {
  TestHelper t;
  t.run(R"({"cmd":"config","watch":["RightOption","Fn","RightOption","NoSuchKey"],
            "swallow":[{"key":"KeyD","when":["Fn"]},{"key":"Space","when":[]}]})");
  EXPECT_EQ(t.state.keyboard.watchedModifiers,
            (std::set<std::string>{"Fn", "NoSuchKey", "RightOption"}));
  EXPECT_EQ(t.state.keyboard.swallowRules,
            (std::vector<SwallowRule>{{"KeyD", {"Fn"}}, {"Space", {}}}));
  t.run(R"({"cmd":"config","watch":[],"swallow":[]})");
  EXPECT_TRUE(t.state.keyboard.watchedModifiers.empty());
  EXPECT_TRUE(t.state.keyboard.swallowRules.empty());
}

TEST(ConfigWithoutFields, ChangesNothingAndStillAnswers) {
  TestHelper t;
  t.run(R"({"cmd":"arm"})");
  t.run(R"({"cmd":"ownClicks","on":true,"rect":[1,2,3,4]})");
  t.state.typing.typingReported = true;
  t.state.typing.speedLast = 77;
  const HelperState& s = t.state;
  auto watched = s.keyboard.watchedModifiers;
  auto rules = s.keyboard.swallowRules;
  auto armedAt = s.keyboard.armedAt;
  t.loop.advance(500);
  EXPECT_EQ(t.run(R"({"cmd":"config","id":4,"pid":12,"on":false})"),
            (Json{{"ok", true}, {"id", 4}}));
  EXPECT_EQ(s.keyboard.watchedModifiers, watched);
  EXPECT_EQ(s.keyboard.swallowRules, rules);
  EXPECT_TRUE(s.keyboard.armed);
  EXPECT_EQ(s.keyboard.armedAt, armedAt);
  EXPECT_TRUE(s.ownClicks.on);
  EXPECT_EQ(s.ownClicks.rect, (Rect{1, 2, 3, 4}));
  EXPECT_EQ(s.typing.speedLast, 77);
  EXPECT_TRUE(s.typing.typingReported);
  EXPECT_EQ(s.typing.typingGapMs, 3000);
  EXPECT_EQ(s.typing.typingAfterMs, 0);
  EXPECT_EQ(s.keyboard.captureAfterMs, 0);
  EXPECT_FALSE(s.typing.typingStats);
}

TEST(Arming, ArmSetsTheArmingTimeAndMovesItForward) {
  TestHelper t;
  t.loop.advanceTo(5000);
  EXPECT_EQ(t.run(R"({"cmd":"arm","id":2})"), (Json{{"ok", true}, {"id", 2}}));
  EXPECT_TRUE(t.state.keyboard.armed);
  EXPECT_EQ(t.state.keyboard.armedAt, 5000);
  t.loop.advanceTo(6250);
  t.run(R"({"cmd":"arm","armed":true})");
  EXPECT_EQ(t.state.keyboard.armedAt, 6250);
}

TEST(Arming, DisarmingKeepsTheArmingTimeAndEndsOwnClicks) {
  TestHelper t;
  t.loop.advanceTo(5000);
  t.run(R"({"cmd":"arm"})");
  t.run(R"({"cmd":"ownClicks","on":true,"rect":[0,0,100,50]})");
  t.state.typing.speedLast = 1234;
  t.loop.advanceTo(9000);
  t.run(R"({"cmd":"config","armed":false})");
  EXPECT_FALSE(t.state.keyboard.armed);
  EXPECT_EQ(t.state.keyboard.armedAt, 5000);
  EXPECT_FALSE(t.state.ownClicks.on);
  EXPECT_FALSE(t.state.ownClicks.rect);
  EXPECT_EQ(t.state.typing.speedLast, 0);
}

TEST(Arming, EveryArmingEndsOwnClicksAndRestartsTheSpeedMeasurement) {
  for (const char* line :
       {R"({"cmd":"arm"})", R"({"cmd":"arm","armed":false})", R"({"cmd":"config","armed":true})"}) {
    SCOPED_TRACE(line);
    TestHelper t;
    t.run(R"({"cmd":"ownClicks","on":true,"rect":[0,0,100,50]})");
    t.state.typing.speedLast = 42;
    t.run(line);
    EXPECT_FALSE(t.state.ownClicks.on);
    EXPECT_FALSE(t.state.ownClicks.rect);
    EXPECT_EQ(t.state.typing.speedLast, 0);
  }
}

TEST(Arming, ConfigArmsBeforeItsLaterFieldsAndAppliesThemAll) {
  TestHelper t;
  t.loop.advanceTo(3000);
  t.run(R"({"cmd":"config","armed":true,"typingGapMs":800,"typingMarks":[5,1],
            "typingStats":true,"captureAfterMs":20,"watch":["Fn"]})");
  EXPECT_TRUE(t.state.keyboard.armed);
  EXPECT_EQ(t.state.keyboard.armedAt, 3000);
  EXPECT_EQ(t.state.typing.typingGapMs, 800);
  EXPECT_EQ(t.state.typing.typingMarks, (std::vector<double>{1, 5}));
  EXPECT_TRUE(t.state.typing.typingStats);
  EXPECT_EQ(t.state.keyboard.captureAfterMs, 20);
  EXPECT_EQ(t.state.keyboard.watchedModifiers, (std::set<std::string>{"Fn"}));
}

TEST(OwnClicks, TakesARectangleOfExactlyFourNumbers) {
  TestHelper t;
  EXPECT_EQ(t.run(R"({"cmd":"ownClicks","on":true,"rect":[10.5,-20,30,40],"id":9})"),
            (Json{{"ok", true}, {"id", 9}}));
  EXPECT_TRUE(t.state.ownClicks.on);
  EXPECT_EQ(t.state.ownClicks.rect, (Rect{10.5, -20, 30, 40}));
  for (const char* rect : {"[10,20,30]", "[1,2,3,4,5]", "[]"}) {
    SCOPED_TRACE(rect);
    t.run(std::string(R"({"cmd":"ownClicks","on":true,"rect":)") + rect + "}");
    EXPECT_TRUE(t.state.ownClicks.on);
    EXPECT_FALSE(t.state.ownClicks.rect);
  }
  t.run(R"({"cmd":"ownClicks","on":true,"rect":[0,0,100,50]})");
  t.run(R"({"cmd":"ownClicks","on":true})");
  EXPECT_TRUE(t.state.ownClicks.on);
  EXPECT_FALSE(t.state.ownClicks.rect);
}

TEST(OwnClicks, WithoutOnSwitchesOffAndClearsTheRectangle) {
  TestHelper t;
  t.run(R"({"cmd":"ownClicks","on":true,"rect":[0,0,100,50]})");
  t.run(R"({"cmd":"ownClicks","rect":[0,0,100,50]})");
  EXPECT_FALSE(t.state.ownClicks.on);
  EXPECT_FALSE(t.state.ownClicks.rect);
  t.run(R"({"cmd":"ownClicks","on":true,"rect":[0,0,100,50]})");
  t.run(R"({"cmd":"ownClicks","on":false,"rect":[0,0,100,50]})");
  EXPECT_FALSE(t.state.ownClicks.on);
  EXPECT_FALSE(t.state.ownClicks.rect);
}

TEST(OwnClicks, ArmingAfterwardsSwitchesReportingOffAgain) {
  TestHelper t;
  t.run(R"({"cmd":"ownClicks","on":true,"rect":[0,0,100,50]})");
  t.run(R"({"cmd":"arm"})");
  EXPECT_FALSE(t.state.ownClicks.on);
  EXPECT_FALSE(t.state.ownClicks.rect);
}

}  // namespace
}  // namespace parlevox
