// Reading the focused element against the simulated desktop: batched reads with their fallback,
// secure and editable fields, text by range, the text around the caret and the caret's box.
#include <gtest/gtest.h>

#include "helper/context/ax_read.h"
#include "helper/context/caret_text.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using platform::Rect;

constexpr const char* kScenario = R"({"frontmost": 7, "apps": [{"pid": 7, "name": "Editor", "ui": {
  "focused": "body", "windows": [{"id": "win", "role": "AXWindow", "frame": [100, 50, 800, 600],
  "children": [
    {"id": "body", "role": "AXTextArea", "value": "0123456789", "selection": [5, 0],
     "frame": [110, 60, 400, 300], "settable": {"AXValue": "apply"}},
    {"id": "short", "role": "AXTextArea", "value": "0123456789", "selection": [5, 0],
     "textReads": {"servedUnits": 8}},
    {"id": "stubborn", "role": "AXTextField", "subrole": "AXSearchField", "batchFails": true,
     "value": "find", "frame": [0, 0, 50, 20], "attributes": {"AXHelp": {"error": "cannotComplete"}}},
    {"id": "pin", "role": "AXTextField", "subrole": "AXSecureTextField", "value": "1234"},
    {"id": "combo", "role": "AXComboBox", "value": "x"},
    {"id": "slider", "role": "AXSlider", "value": 3, "settable": {"AXValue": "apply"}},
    {"id": "label", "role": "AXStaticText", "value": "hello"},
    {"id": "c0", "role": "AXTextArea", "value": "0123456789", "selection": [0, 0], "frame": [0, 0, 200, 20]},
    {"id": "c7", "role": "AXTextArea", "value": "0123456789", "selection": [7, 0], "frame": [0, 0, 200, 20]},
    {"id": "c73", "role": "AXTextArea", "value": "0123456789", "selection": [7, 3], "frame": [0, 0, 200, 20]},
    {"id": "line", "role": "AXTextArea", "value": "abcdefghij", "selection": [7, 0],
     "attributes": {"AXBoundsForRange": {"rect": [0, 0, 300, 240]}}}]}]}}]})";

class FocusedElement : public ::testing::Test {
 protected:
  std::unique_ptr<sim::SimDesktop> desktop = testing::loadDesktop(kScenario);
  sim::SimAccessibility& ax = desktop->accessibility;
  Element at(std::string_view id) { return ax.element(id); }
};

TEST_F(FocusedElement, BatchedReadsFallBackToSingleReadsInOrder) {
  ax.resetCallCounts();
  const auto values =
      axValues(ax, at("stubborn"), {"AXRole", "AXHelp", "AXValue", "AXNope", "AXSubrole"});
  ASSERT_EQ(values.size(), 5u);
  EXPECT_EQ(stringOf(values[0]), u"AXTextField");
  EXPECT_FALSE(values[1]);
  EXPECT_EQ(stringOf(values[2]), u"find");
  EXPECT_FALSE(values[3]);
  EXPECT_EQ(stringOf(values[4]), u"AXSearchField");
  EXPECT_EQ(ax.callCounts().batched, 1u);
  EXPECT_EQ(ax.callCounts().single, 5u);

  ax.resetCallCounts();
  EXPECT_EQ(frameOf(ax, at("body")), (Rect{110, 60, 400, 300}));
  EXPECT_EQ(windowFrame(ax, at("body")), (Rect{100, 50, 800, 600}));
  EXPECT_EQ(ax.callCounts().batched, 2u);  // one per frame, never per attribute
  EXPECT_EQ(focusedElement(ax), at("body"));
  EXPECT_EQ(focusedElement(ax, 7), at("body"));
  EXPECT_FALSE(focusedElement(ax, 8));
}

TEST_F(FocusedElement, SecureAndEditableFields) {
  struct Row {
    const char* id;
    bool secure, editable;
  };
  for (const auto& row :
       {Row{"pin", true, true}, Row{"body", false, true}, Row{"combo", false, true},
        Row{"slider", false, true}, Row{"label", false, false}, Row{"stubborn", false, true}})
    EXPECT_EQ(std::pair(isSecure(ax, at(row.id)), isEditable(ax, at(row.id))),
              std::pair(row.secure, row.editable))
        << row.id;
}

TEST_F(FocusedElement, TextByRangeAndAroundTheCaret) {
  ax.resetCallCounts();
  EXPECT_EQ(axString(ax, at("body"), 3, 0), u"");
  EXPECT_EQ(axString(ax, at("body"), -1, 3), std::nullopt);
  EXPECT_EQ(ax.callCounts().parameterized, 0u);
  EXPECT_EQ(axString(ax, at("body"), 8, 5), std::nullopt);  // past the end

  struct Row {
    const char* id;
    std::int64_t caret, selected, total, before, after;
    std::optional<TextAround> expected;
  };
  const Row rows[] = {
      {"body", 5, 0, 10, 100, 100, TextAround{u"01234", u"56789"}},
      {"body", 5, 2, 10, 2, 1, TextAround{u"34", u"7"}},
      {"body", 5, 0, 10, -4, -4, TextAround{u"", u""}},
      {"body", 0, 0, 10, 3, 3, TextAround{u"", u"012"}},
      {"body", -1, 0, 10, 3, 3, std::nullopt},
      {"body", 11, 0, 10, 3, 3, std::nullopt},  // the text before the caret does not read
      {"short", 5, 0, 10, 100, 100, TextAround{u"01234", u"567"}},
      {"short", 7, 0, 10, 100, 100, TextAround{u"0123456", u"7"}},
      {"short", 8, 0, 10, 0, 100, TextAround{u"", u""}},
  };
  for (const auto& r : rows)
    EXPECT_EQ(textAround(ax, at(r.id), r.caret, r.selected, r.total, r.before, r.after), r.expected)
        << r.id << " caret " << r.caret;
}

TEST_F(FocusedElement, TheSearchForServedTextStaysLogarithmic) {
  // 30,000 units reported, 12,345 served after the caret.
  const std::string scenario = R"({"apps": [{"pid": 3, "ui": {"windows": [{"role": "AXWindow",
    "children": [{"id": "long", "role": "AXTextArea", "value": ")" +
                               std::string(30000, 'a') +
                               R"(", "textReads": {"servedUnits": 12345}}]}]}}]})";
  auto big = testing::loadDesktop(scenario);
  auto& bax = big->accessibility;
  bax.resetCallCounts();
  const auto text = textAround(bax, bax.element("long"), 0, 0, 30000, 10, 29999);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->after.size(), 12345u);
  // One read before, one of the whole rest, at most ceil(log2 29999) = 15 probes, one final.
  EXPECT_LE(bax.callCounts().parameterized, 15u + 3u);
}

TEST_F(FocusedElement, CaretBoxFromTheCharacterBesideIt) {
  // Line layout from the element's position: 8 points per unit, 16 high.
  struct Row {
    const char* id;
    std::optional<CaretRect> expected;
  };
  const Row rows[] = {
      {"c0", CaretRect{{0, 0, 8, 16}, 0}},     // at 0: the first unit, its left edge
      {"c7", CaretRect{{48, 0, 8, 16}, 56}},   // at 7: unit 6, its right edge
      {"c73", CaretRect{{56, 0, 8, 16}, 56}},  // selection (7, 3): unit 7, its left edge
      {"line", std::nullopt},                  // a 240-point box is a line, not a character
      {"label", std::nullopt},                 // no selection
  };
  for (const auto& row : rows) {
    const auto caret = caretRect(ax, at(row.id));
    ASSERT_EQ(caret.has_value(), row.expected.has_value()) << row.id;
    if (caret) {
      EXPECT_EQ(std::pair(caret->rect, caret->x), std::pair(row.expected->rect, row.expected->x))
          << row.id;
    }
  }
}

}  // namespace
}  // namespace parlevox
