// Reading accessibility trees from the scenario: every kind of value, the exact place of every
// fault, and large trees described in a few lines.
#include <gtest/gtest.h>

#include <string>

#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using namespace platform;
using sim::SimDesktop;

// A scenario with one element "e" whose attribute "AXTest" is `value`.
std::string withValue(const std::string& value) {
  return R"({"apps": [{"pid": 10, "ui": {"windows": [{"id": "e", "role": "AXWindow",
            "attributes": {"AXTest": )" +
         value + "}}]}}]}";
}

std::string errorOf(const std::string& text) {
  auto loaded = SimDesktop::fromText(text, "s.json");
  auto* error = std::get_if<std::string>(&loaded);
  return error ? *error : std::string();
}

TEST(AXTreeScenario, ReadsEveryKindOfValue) {
  const std::pair<const char*, AXValue> rows[] = {
      {R"("caf\u00e9")", u"caf\u00e9"},
      {R"({"utf16": [55357, 65]})", std::u16string{0xD83D, u'A'}},
      {"2.5", 2.5},
      {"7", 7.0},
      {"true", true},
      {"null", AXNone{}},
      {R"({"strings": ["a", "b"]})", std::vector<std::u16string>{u"a", u"b"}},
      {R"({"url": "https://example.com/a?b"})", AXUrl{"https://example.com/a?b"}},
      {R"({"point": [1.5, -2]})", Point{1.5, -2}},
      {R"({"size": [3, 4]})", Size{3, 4}},
      {R"({"rect": [1, 2, 3, 4]})", platform::Rect{1, 2, 3, 4}},
      {R"({"range": [5, 0]})", AXRange{5, 0}},
      {R"({"string": "7"})", u"7"},
      {R"({"number": 7})", 7.0},
      {R"({"bool": false})", false},
      {R"({"none": null})", AXNone{}},
  };
  for (const auto& [json, expected] : rows) {
    SCOPED_TRACE(json);
    auto d = testing::loadDesktop(withValue(json));
    auto r = d->accessibility.copyAttributeValue(d->accessibility.element("e"), "AXTest");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value, expected);
  }
  const std::pair<const char*, AXError> failures[] = {
      {R"({"error": "cannotComplete"})", kAXErrorCannotComplete},
      {R"({"error": -25299})", -25299},
  };
  for (const auto& [json, code] : failures) {
    SCOPED_TRACE(json);
    auto d = testing::loadDesktop(withValue(json));
    EXPECT_EQ(d->accessibility.copyAttributeValue(d->accessibility.element("e"), "AXTest").error,
              code);
  }
  auto d = testing::loadDesktop(withValue(R"({"elements": ["e", "e"]})"));
  const Element e = d->accessibility.element("e");
  EXPECT_EQ(d->accessibility.copyAttributeValue(e, "AXTest").value,
            AXValue(std::vector<Element>{e, e}));
  // Convenience keys take any kind too, so that an attribute can be served with the wrong kind.
  auto wrong = testing::loadDesktop(
      R"({"apps": [{"pid": 10, "ui": {"windows": [{"id": "e", "value": 42, "title": {"element": "e"}}]}}]})");
  const Element w = wrong->accessibility.element("e");
  EXPECT_EQ(wrong->accessibility.copyAttributeValue(w, "AXValue").value, AXValue(42.0));
  EXPECT_EQ(wrong->accessibility.copyAttributeValue(w, "AXTitle").value, AXValue(w));
}

TEST(AXTreeScenario, NamesThePlaceOfEveryFault) {
  const std::string app = R"({"apps": [{"pid": 10, "ui": )";
  const std::string window = app + R"({"windows": [{"id": "w", )";
  const std::pair<std::string, std::string> rows[] = {
      {app + R"({"focussed": "w"}}]})", R"(scenario.apps[0].ui has an unknown key "focussed")"},
      {window + R"("rol": "AXWindow"}]}}]})",
       R"(scenario.apps[0].ui.windows[0] has an unknown key "rol")"},
      {window + R"("textReads": {"lineheight": 3}}]}}]})",
       R"(scenario.apps[0].ui.windows[0].textReads has an unknown key "lineheight")"},
      {withValue(R"({"rnage": [0, 1]})"),
       R"(scenario.apps[0].ui.windows[0].attributes.AXTest has an unknown kind of value "rnage")"},
      {withValue(R"({"range": [0, 1], "size": [1, 1]})"),
       "scenario.apps[0].ui.windows[0].attributes.AXTest must be a string, number, true, false, "
       "null or an object with one key naming the kind of value, such as {\"range\": [0, 4]}"},
      {withValue("[1, 2]"),
       "scenario.apps[0].ui.windows[0].attributes.AXTest must be a string, number, true, false, "
       "null or an object with one key naming the kind of value, such as {\"range\": [0, 4]}"},
      {withValue(R"({"range": [0.5, 1]})"),
       "scenario.apps[0].ui.windows[0].attributes.AXTest.range must be [location, length], two "
       "whole numbers"},
      {withValue(R"({"point": [1]})"),
       "scenario.apps[0].ui.windows[0].attributes.AXTest.point must be [x, y], two numbers"},
      {withValue(R"({"utf16": [70000]})"),
       "scenario.apps[0].ui.windows[0].attributes.AXTest.utf16 must be a list of UTF-16 code "
       "units (whole numbers 0 to 65535)"},
      {withValue(R"({"error": 0})"),
       "scenario.apps[0].ui.windows[0].attributes.AXTest.error must be an error code: a whole "
       "number other than 0, or \"failure\", \"illegalArgument\", \"invalidElement\", "
       "\"cannotComplete\", \"attributeUnsupported\", \"apiDisabled\", \"noValue\" or "
       "\"parameterizedAttributeUnsupported\""},
      {withValue(R"({"element": "nobody"})"),
       R"(scenario.apps[0].ui.windows[0].attributes.AXTest.element must be the id of an element, not "nobody")"},
      {app + R"({"focused": "nobody"}}]})",
       R"(scenario.apps[0].ui.focused must be the id of an element, not "nobody")"},
      {R"({"apps": [{"pid": 10, "ui": {"windows": [{"id": "x"}]}},
                    {"pid": 11, "ui": {"focused": "x"}}]})",
       "scenario.apps[1].ui.focused must be the id of an element of this app"},
      {window + R"("children": [{"id": "w"}]}]}}]})",
       R"(scenario.apps[0].ui.windows[0].children[0].id must be unique: "w" is used twice)"},
      {window + R"("frame": {"x": 0}}]}}]})",
       "scenario.apps[0].ui.windows[0].frame must be [x, y, width, height], four numbers"},
      {window + R"("value": "a", "attributes": {"AXValue": "b"}}]}}]})",
       R"(scenario.apps[0].ui.windows[0].attributes.AXValue must be left out: "value" gives it already)"},
      {window + R"("settable": {"AXValue": {"after": 0}}}]}}]})",
       "scenario.apps[0].ui.windows[0].settable.AXValue.after must be a whole number from 1 to "
       "1000000"},
      {window + R"("settable": {"AXValue": "always"}}]}}]})",
       "scenario.apps[0].ui.windows[0].settable.AXValue must be \"apply\", \"clamp\", "
       "{\"after\": polls} or {\"refuse\": error code}"},
      {app + R"({"readMs": -1}}]})",
       "scenario.apps[0].ui.readMs must be a number of milliseconds from 0 to 3600000"},
      {app + R"({"silent": "yes"}}]})", "scenario.apps[0].ui.silent must be true or false"},
      {app + R"({"windows": [{"repeat": {"count": 2, "elements": {}}}]}}]})",
       R"(scenario.apps[0].ui.windows[0].repeat has an unknown key "elements")"},
      {app + R"({"windows": [{"repeat": {"element": {}}}]}}]})",
       "scenario.apps[0].ui.windows[0].repeat.count must be given"},
      {app + R"({"windows": [{"repeat": {"count": 1000, "element": {"children": [
                  {"paragraphs": {"count": 1000}}]}}}]}}]})",
       "scenario.apps[0].ui.windows[0].repeat makes the scenario hold more than 1000000 "
       "elements"},
      {app + R"({"windows": [{"paragraphs": {"count": 3, "lines": 2}}]}}]})",
       R"(scenario.apps[0].ui.windows[0].paragraphs has an unknown key "lines")"},
      {app + R"({"windows": [{"id": "w"}]}}], "input": [{"at": 5, "focus": "v"}]})",
       R"(scenario.input[0].focus must be the id of an element, not "v")"},
      {app + R"({"windows": [{"id": "w"}]}}], "input": [{"change": "w"}]})",
       "scenario.input[0].change must be given with at least one attribute to change"},
      {app + R"({"windows": [{"id": "w"}]}}], "input": [{"change": "w", "vale": 1}]})",
       R"(scenario.input[0] has an unknown key "vale")"},
      {app + R"({}}], "input": [{"front": 12}]})",
       "scenario.input[0].front must be the pid of one of the apps, or null"},
      {app + R"({}}], "input": [{"tapDisabled": "never"}]})",
       R"(scenario.input[0].tapDisabled must be "timeout" or "user")"},
      {app + R"({}}], "input": [{"at": 5}]})",
       "scenario.input[0] must have one action: \"press\", \"release\", \"repeat\", \"focus\", "
       "\"front\", \"change\", \"remove\", \"secure\" or \"tapDisabled\""},
  };
  for (const auto& [text, message] : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(errorOf(text), "s.json: " + message);
  }
  std::string deep = R"({"role": "AXGroup"})";
  for (int i = 0; i < 501; ++i) deep = R"({"children": [)" + deep + "]}";
  EXPECT_TRUE(errorOf(app + R"({"windows": [)" + deep + "]}}]}")
                  .ends_with("nests elements more than 500 deep"));
}

// 500 sections, each a group with a label and 98 generated paragraphs: 50,000 elements.
constexpr const char* kLargeScenario = R"({"apps": [{"pid": 10, "ui": {"windows": [
  {"id": "w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
    {"repeat": {"count": 500, "offset": [0, 2000], "element":
      {"id": "section", "role": "AXGroup", "frame": [0, 0, 800, 2000], "children": [
        {"id": "label", "role": "AXStaticText", "value": "Section",
         "attributes": {"AXTitleUIElement": {"element": "label"}, "AXLinkedUIElements": {"elements": ["w"]}}},
        {"paragraphs": {"count": 98, "id": "p", "origin": [0, 20], "words": 10}}]}}}]}]}}]})";

TEST(AXTreeScenario, RepeatsAndParagraphsDescribeLargeTrees) {
  auto d = testing::loadDesktop(kLargeScenario);
  auto& ax = d->accessibility;
  EXPECT_EQ(d->axTree.size(), 3u + 500 * 100);  // system-wide, application, window, sections
  auto value = [&](const char* id, const char* name) {
    return ax.copyAttributeValue(ax.element(id), name).value;
  };
  EXPECT_EQ(std::get<std::vector<Element>>(value("w", "AXChildren")).size(), 500u);
  EXPECT_EQ(value("section#499", "AXPosition"), AXValue(Point{0, 998000}));
  EXPECT_EQ(value("label#3", "AXTitleUIElement"), AXValue(ax.element("label#3")));
  EXPECT_EQ(value("label#3", "AXLinkedUIElements"), AXValue(std::vector{ax.element("w")}));
  EXPECT_EQ(value("p.97#499", "AXPosition"), AXValue(Point{0, 998000 + 20 + 97 * 20}));
  const auto text = std::get<std::u16string>(value("p.97#2", "AXValue"));
  EXPECT_TRUE(text.starts_with(u"Paragraph 98: ")) << std::string(text.begin(), text.end());
  EXPECT_EQ(value("p.97#2", "AXSize"), AXValue(Size{600, 20}));
}

}  // namespace
}  // namespace parlevox
