// Nearby text: reading order above and below the field, budgets, class contexts, the element
// limit and the deadline, on in-memory trees.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "helper/context/near_text.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using nlohmann::json;
using testing::loadDesktop;

std::string letters(char first, std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(first + i % 26));
  return s;
}

std::string with(std::string text, const std::string& mark, const std::string& by) {
  const auto at = text.find(mark);
  return text.replace(at, mark.size(), by);
}

// A checkout form in a web page, the street field focused.
const std::string kShop = with(with(R"({"apps": [
  {"pid": 801, "name": "Shop", "ui": {"windows": [
    {"id": "w", "role": "AXWindow", "frame": [0, 0, 1000, 800], "children": [
      {"id": "web", "role": "AXWebArea", "attributes": {"AXDOMClassList": {"strings": ["page"]}},
       "children": [
        {"id": "intro", "role": "AXStaticText", "value": "INTRO"},
        {"id": "form", "role": "AXGroup",
         "attributes": {"AXDOMClassList": {"strings": ["form", "checkout"]}}, "children": [
          {"id": "hint", "role": "AXGroup", "children": [
            {"role": "AXStaticText", "value": "First hint", "frame": [0, 10, 100, 20]},
            {"role": "AXStaticText", "value": "Second hint"}]},
          {"id": "nameLabel", "role": "AXStaticText", "value": " First name ",
           "attributes": {"AXDOMClassList": {"strings": ["label"]}}},
          {"id": "name", "role": "AXTextField", "value": "Ada"},
          {"id": "lone", "role": "AXStaticText", "value": "x"},
          {"id": "pw", "role": "AXGroup", "subrole": "AXSecureTextField", "children": [
            {"role": "AXStaticText", "value": "hidden"}]},
          {"id": "streetLabel", "role": "AXStaticText", "value": "Street"},
          {"id": "street", "role": "AXTextField", "value": "12 Analytical Row",
           "frame": [100, 200, 300, 24]},
          {"id": "heading", "role": "AXHeading", "title": "Heading title", "children": [
            {"role": "AXLink", "title": "Help"}]},
          {"id": "submit", "role": "AXButton", "title": "Submit", "children": [
            {"role": "AXStaticText", "value": "Send order"}]},
          {"id": "cancel", "role": "AXLink", "title": "Cancel order"},
          {"id": "empty", "role": "AXLink", "value": "", "title": "Back",
           "children": [{"role": "AXStaticText", "value": "Back to cart"}]}]},
        {"id": "outro", "role": "AXStaticText", "value": "OUTRO"}]}]}],
    "focused": "street"}},
  {"pid": 802, "name": "Vault", "ui": {"windows": [
    {"id": "v.w", "role": "AXWindow", "children": [
      {"id": "v.label", "role": "AXStaticText", "value": "Password"},
      {"id": "v.pw", "role": "AXSecureTextField", "value": "hunter2", "frame": [0, 0, 100, 20]}]}],
    "focused": "v.pw"}},
  {"pid": 803, "name": "Idle"}]})",
                                    "INTRO", letters('a', 5000)),
                               "OUTRO", letters('A', 5000));

TEST(NearText, ReadingOrderClassContextsAndItemCuts) {
  auto desktop = loadDesktop(kShop);
  auto& ax = desktop->accessibility;
  const json form = json::array({"form checkout"});
  const json above = {
      {{"t", "Street"}, {"role", "AXStaticText"}, {"cls", form}},
      {{"t", "Ada"}, {"role", "AXTextField"}, {"cls", form}},
      {{"t", "First name"}, {"role", "AXStaticText"}, {"cls", {"label", "form checkout"}}},
      {{"t", "Second hint"}, {"role", "AXStaticText"}, {"cls", form}},
      {{"t", "First hint"},
       {"role", "AXStaticText"},
       {"cls", form},
       {"x", 0},
       {"y", 10},
       {"w", 100},
       {"h", 20}},
      // Of a long text above the field, the 2000 characters nearest to it.
      {{"t", letters('a', 5000).substr(3000)}, {"role", "AXStaticText"}, {"cls", {"page"}}}};
  const json below = {
      {{"t", "Help"}, {"role", "AXLink"}, {"cls", form}},
      {{"t", "Send order"}, {"role", "AXStaticText"}, {"cls", form}},
      {{"t", "Cancel order"}, {"role", "AXLink"}, {"cls", form}},
      {{"t", "Back to cart"}, {"role", "AXStaticText"}, {"cls", form}},
      {{"t", letters('A', 5000).substr(0, 2000)}, {"role", "AXStaticText"}, {"cls", {"page"}}}};
  EXPECT_EQ(nearText(ax, true, 801, 6000, {}),
            (json{{"ok", true},
                  {"field", {{"x", 100}, {"y", 200}, {"w", 300}, {"h", 24}}},
                  {"above", above},
                  {"below", below}}));

  // Budgets: 3/2 of maxChars above, a third (at most 2000) below; a text is taken whole once
  // the budget is not yet reached. maxChars 1: "Street" alone above, nothing below.
  const std::tuple<std::int64_t, std::int64_t, std::int64_t> budgets[] = {
      {6000, 9000, 2000}, {9000, 13500, 2000},         {1, 1, 0}, {0, 0, 0}, {-5, 0, 0},
      {30, 45, 10},       {INT64_MAX, INT64_MAX, 2000}};
  for (const auto& [maxChars, up, down] : budgets) {
    EXPECT_EQ(aboveBudget(maxChars), up) << maxChars;
    EXPECT_EQ(belowBudget(maxChars), down) << maxChars;
  }
  const auto tiny = nearText(ax, true, 801, 1, {});
  EXPECT_EQ(tiny["above"], json::array({above[0]}));
  EXPECT_EQ(tiny["below"], json::array());
  // maxChars 30: 45 above; after the form's 40 characters the long text still comes, whole
  // (2000). 10 below: "Help" and "Send order" reach it.
  const auto small = nearText(ax, true, 801, 30, {});
  EXPECT_EQ(small["above"].size(), 6u);
  EXPECT_EQ(small["below"], json::array({below[0], below[1]}));

  // A password field in focus gives nothing, not even the field's frame; no focus likewise.
  const json nothing{{"ok", true}, {"above", json::array()}, {"below", json::array()}};
  EXPECT_EQ(nearText(ax, true, 802, 6000, {}), nothing);
  EXPECT_EQ(nearText(ax, true, 803, 6000, {}), nothing);
  EXPECT_EQ(nearText(ax, false, 801, 6000, {}),
            (json{{"ok", false}, {"error", "no_accessibility"}}));
  EXPECT_EQ(nearText(ax, true, std::nullopt, 6000, {}), (json{{"ok", false}, {"error", "no_app"}}));
}

TEST(NearText, ElementLimitDepthAndDeadlineBoundTheReads) {
  // Above the field a chain of groups 46 deep, and 5000 paragraphs above that; 5000 below.
  std::string chain = R"({"role": "AXStaticText", "value": "depth 45"})";
  for (int k = 44; k >= 0; --k)
    chain = R"({"role": "AXGroup", "children": [{"role": "AXStaticText", "value": "depth )" +
            std::to_string(k) + R"("}, )" + chain + "]}";
  auto desktop = loadDesktop(R"({"apps": [{"pid": 5, "ui": {"windows": [
    {"id": "w", "role": "AXWindow", "children": [
      {"id": "body", "role": "AXGroup", "children": [
        {"paragraphs": {"count": 5000, "id": "up"}},
        {"id": "deep", "role": "AXGroup", "children": [)" +
                             chain + R"(]},
        {"id": "field", "role": "AXTextField", "value": "here"},
        {"paragraphs": {"count": 5000, "id": "down"}}]}]}],
    "focused": "field"}}]})");
  auto& ax = desktop->accessibility;
  const std::int64_t lots = 1'000'000'000;
  // Above, each subtree is read last child first: the chain down to depth 40 ("depth k" sits at
  // depth k + 2), then its texts back up, 80 visits; then 3920 paragraphs, nearest first. The
  // 4000 visits are shared: none is left for below. Reads: the field, its parent and the
  // window (one each) and one per visit.
  const auto limited = nearText(ax, true, 5, lots, {});
  EXPECT_EQ(ax.callCounts().batched, 3u + 4000);
  ASSERT_EQ(limited["above"].size(), 39u + 3920);
  EXPECT_EQ(limited["above"][0], (json{{"t", "depth 38"}, {"role", "AXStaticText"}}));
  EXPECT_EQ(limited["above"][38]["t"], "depth 0");
  EXPECT_EQ(limited["above"][39]["t"].get<std::string>().rfind("Paragraph 5000: ", 0), 0u);
  EXPECT_EQ(limited["below"], json::array());

  // A budget of 3 above (maxChars 2): the first text reaches it and the climb stops there.
  EXPECT_EQ(nearText(ax, true, 5, 2, {})["above"],
            json::array({{{"t", "depth 38"}, {"role", "AXStaticText"}}}));

  // One millisecond per batched read: the 1500 ms deadline, set once the field is read, passes
  // after 1500 visits.
  ax.resetCallCounts();
  const Clock byReads = [&ax] { return static_cast<double>(ax.callCounts().batched); };
  const auto cut = nearText(ax, true, 5, lots, byReads);
  EXPECT_EQ(ax.callCounts().batched, 2u + 1500);
  EXPECT_EQ(cut["above"].size(), 39u + 1420);
}

}  // namespace
}  // namespace parlevox
