// Visibility geometry: null, infinite and absent rectangles kept apart in every decision.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "helper/context/geometry.h"

namespace parlevox {
namespace {

const Rect kNull = Rect::null();
const Rect kAll = Rect::infinite();

TEST(Geometry, SolidAndVisiblePart) {
  EXPECT_FALSE(isSolid(kNull));
  EXPECT_TRUE(isSolid({0, 0, 2, 2}));
  EXPECT_FALSE(isSolid({0, 0, 1.9, 100}));
  EXPECT_TRUE(isSolid({10, 10, -5, -5}));  // standardized first

  struct Row {
    Rect frame, clip;
    std::optional<Rect> part;
  };
  const Row rows[] = {
      {{0, 0, 100, 100}, kNull, std::nullopt},              // null clip: nothing, solid or not
      {{0, 0, 100, 100}, {0, 99, 100, 100}, std::nullopt},  // a strip 1 point high
      {{0, 0, 100, 100}, {50, 50, 100, 100}, Rect{50, 50, 50, 50}},
      {{0, 0, 100, 100}, kAll, Rect{0, 0, 100, 100}},
      {{0, 0, 100, 100}, {200, 0, 10, 10}, std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(visiblePart(row.frame, row.clip), row.part);
}

TEST(Geometry, VisibleWindowOnDisplays) {
  const std::vector<Rect> sideBySide{{0, 0, 1000, 800}, {1000, 0, 1000, 800}};
  EXPECT_EQ(visibleWindow({900, 100, 200, 100}, sideBySide), (Rect{900, 100, 200, 100}));
  EXPECT_TRUE(visibleWindow({5000, 100, 200, 100}, sideBySide).isNull());
  EXPECT_TRUE(visibleWindow({0, 0, 200, 100}, {}).isNull());
  // The union of the displays it touches, including the gap beside a lower display.
  const std::vector<Rect> stepped{{0, 0, 1000, 800}, {1000, 400, 1000, 800}};
  EXPECT_EQ(visibleWindow({900, -100, 200, 1000}, stepped), (Rect{900, 0, 200, 900}));
}

TEST(Geometry, ClipsAndSkips) {
  const Rect clip{0, 0, 500, 500};
  EXPECT_EQ(clipForChildren("AXTextArea", Rect{100, 100, 50, 50}, clip), clip);
  EXPECT_EQ(clipForChildren("AXScrollArea", Rect{100, 100, 50, 50}, clip),
            (Rect{100, 100, 50, 50}));
  EXPECT_EQ(clipForChildren("AXWebArea", Rect{400, 400, 200, 200}, clip),
            (Rect{400, 400, 100, 100}));
  EXPECT_TRUE(clipForChildren("AXScrollArea", Rect{100, 100, 50, 50}, kAll).isInfinite());
  EXPECT_EQ(clipForChildren("AXScrollArea", std::nullopt, clip), clip);
  EXPECT_EQ(clipForChildren("AXScrollArea", Rect{100, 100, 1, 50}, clip), clip);
  // A scroll area wholly outside the clip leaves its children nothing to show.
  EXPECT_TRUE(clipForChildren("AXScrollArea", Rect{900, 900, 50, 50}, clip).isNull());

  EXPECT_FALSE(whollyAway(std::nullopt, clip));
  EXPECT_TRUE(whollyAway(Rect{0, 0, 10, 10}, kNull));
  EXPECT_FALSE(whollyAway(Rect{9000, 9000, 0, 10}, clip));
  EXPECT_FALSE(whollyAway(kNull, clip));
  EXPECT_TRUE(whollyAway(Rect{600, 0, 10, 10}, clip));
  EXPECT_FALSE(whollyAway(Rect{495, 0, 10, 10}, clip));
  EXPECT_FALSE(whollyAway(Rect{600, 0, 10, 10}, kAll));

  EXPECT_FALSE(partlyShown({0, 0, 10, 100}, {0, 0, 10, 90}));
  EXPECT_TRUE(partlyShown({0, 0, 10, 100}, {0, 0, 10, 89.9}));
}

TEST(Geometry, VisibleCharactersEstimate) {
  struct Row {
    std::int64_t length;
    Rect frame, visible;
    UnitRange expected;
  };
  const Row rows[] = {
      {1000, {0, 0, 100, 1000}, {0, 250, 100, 500}, {200, 800}},
      {1000, {0, 0, 100, 2000}, {0, 0, 100, 1000}, {0, 550}},
      {400, {0, 100, 100, 800}, {0, 500, 100, 400}, {180, 400}},
      {0, {0, 0, 100, 100}, {0, 0, 100, 100}, {0, 0}},
      {-5, {0, 0, 100, 100}, {0, 0, 100, 100}, {0, 0}},
      {50, {0, 0, 100, 0}, {0, 0, 100, 100}, {0, 50}},
      {300, {0, 0, 100, 100}, {0, 50, 100, 0}, {150, 150}},
      {300, {0, 0, 100, 100}, {0, 500, 100, 50}, {300, 300}},  // below the frame
      {300, {0, 100, 100, 100}, {0, 0, 100, 50}, {0, 0}},      // above the frame
  };
  for (const auto& row : rows)
    EXPECT_EQ(visibleCharacters(row.length, row.frame, row.visible), row.expected)
        << row.length << " in " << row.frame.y << "+" << row.frame.h;
}

TEST(Geometry, FramesFromValuesAndRectObjects) {
  using platform::AXValue;
  const AXValue point = platform::Point{1, 2}, size = platform::Size{3, 4};
  EXPECT_EQ(frameOf(point, size), (Rect{1, 2, 3, 4}));
  EXPECT_EQ(frameOf(point, std::nullopt), std::nullopt);
  EXPECT_EQ(frameOf(point, AXValue{std::u16string(u"3x4")}), std::nullopt);
  EXPECT_EQ(frameOf(size, point), std::nullopt);

  EXPECT_EQ(rectJSON({10.5, -0.5, 99.49, 20}),
            (nlohmann::json{{"x", 11}, {"y", -1}, {"w", 99}, {"h", 20}}));
  EXPECT_EQ(rectJSON({-2.5, 2.5, 0, 0}), (nlohmann::json{{"x", -3}, {"y", 3}, {"w", 0}, {"h", 0}}));
  // A hostile application's frame beyond 64 bits is clamped, not undefined.
  EXPECT_EQ(rectJSON({1e300, 0, 1, 1})["x"], INT64_MAX);
}

}  // namespace
}  // namespace parlevox
