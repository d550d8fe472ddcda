// screens on simulated displays: global top-left frames and the camera-housing area.
#include <gtest/gtest.h>

#include <string>

#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using testing::TestHelper;
using Json = nlohmann::json;

// A 1512 x 982 built-in screen whose housing leaves 662 points usable on either side.
constexpr const char* kBuiltIn = R"({
  "frame": {"x": 0, "y": 0, "width": 1512, "height": 982},
  "safeAreaTop": 32,
  "auxiliaryTopLeftArea": {"x": 0, "y": 950, "width": 662, "height": 32},
  "auxiliaryTopRightArea": {"x": 850, "y": 950, "width": 662, "height": 32}
})";

Json screensOf(const std::string& screens) {
  TestHelper t(R"({"screens": [)" + screens + "]}");
  auto reply = t.run(R"({"cmd":"screens","id":8})");
  EXPECT_EQ(reply["ok"], true);
  EXPECT_EQ(reply["id"], 8);
  return reply["screens"];
}

Json rect(double x, double y, double width, double height) {
  return {{"x", x}, {"y", y}, {"width", width}, {"height", height}};
}

TEST(Screens, BuiltInScreenWithHousingHasANotchBetweenTheTopAreas) {
  auto expected = rect(0, 0, 1512, 982);
  expected["notch"] = rect(662, 0, 188, 32);
  EXPECT_EQ(screensOf(kBuiltIn), Json::array({expected}));
}

TEST(Screens, ScreenAboveThePrimaryGetsANegativeY) {
  auto screens = screensOf(std::string(kBuiltIn) +
                           R"(, {"frame": {"x": -524, "y": 982, "width": 2560, "height": 1440}})" +
                           R"(, {"frame": {"x": 1512, "y": -200, "width": 1920, "height": 1080}})");
  ASSERT_EQ(screens.size(), 3u);
  EXPECT_EQ(screens[1], rect(-524, -1440, 2560, 1440));
  // To the right, its bottom edge 200 points below the primary's: its top edge is at 880, 102
  // points below the primary's top.
  EXPECT_EQ(screens[2], rect(1512, 102, 1920, 1080));
}

TEST(Screens, NotchSitsOnTheScreenItBelongsTo) {
  // The built-in screen is second here, below a primary external screen.
  auto screens = screensOf(R"({"frame": {"x": 0, "y": 0, "width": 2560, "height": 1440}},
      {"frame": {"x": 500, "y": -982, "width": 1512, "height": 982}, "safeAreaTop": 38,
       "auxiliaryTopLeftArea": {"x": 500, "y": -38, "width": 600, "height": 38},
       "auxiliaryTopRightArea": {"x": 1300, "y": -38, "width": 712, "height": 38}})");
  ASSERT_EQ(screens.size(), 2u);
  auto expected = rect(500, 1440, 1512, 982);
  expected["notch"] = rect(1100, 1440, 200, 38);
  EXPECT_EQ(screens[1], expected);
}

TEST(Screens, NoNotchWithoutAHousing) {
  const char* cases[] = {
      // No safe area, no top areas.
      R"({"frame": {"x": 0, "y": 0, "width": 1512, "height": 982}})",
      // Top areas but no inset.
      R"({"frame": {"x": 0, "y": 0, "width": 1512, "height": 982},
          "auxiliaryTopLeftArea": {"x": 0, "y": 950, "width": 662, "height": 32},
          "auxiliaryTopRightArea": {"x": 850, "y": 950, "width": 662, "height": 32}})",
      // An inset but only one top area known.
      R"({"frame": {"x": 0, "y": 0, "width": 1512, "height": 982}, "safeAreaTop": 32,
          "auxiliaryTopLeftArea": {"x": 0, "y": 950, "width": 662, "height": 32}})",
      // Top areas that leave no gap between them.
      R"({"frame": {"x": 0, "y": 0, "width": 1512, "height": 982}, "safeAreaTop": 32,
          "auxiliaryTopLeftArea": {"x": 0, "y": 950, "width": 756, "height": 32},
          "auxiliaryTopRightArea": {"x": 756, "y": 950, "width": 756, "height": 32}})",
  };
  for (const char* screen : cases) {
    SCOPED_TRACE(screen);
    EXPECT_EQ(screensOf(screen), Json::array({rect(0, 0, 1512, 982)}));
  }
}

TEST(Screens, NoScreenAnswersAnEmptyList) {
  EXPECT_EQ(screensOf(""), Json::array());
}

}  // namespace
}  // namespace parlevox
