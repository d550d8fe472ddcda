// The element interface every accessibility backend honours: the contract's tests, run by
// each backend's test program against that backend presenting the same small user interface.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "helper/platform/accessibility.h"

namespace parlevox::contract {

using namespace platform;

/// A backend presenting the standard interface: the frontmost application "Contract" with one
/// window "Contract" holding (directly, or through one container when the toolkit always puts
/// one there) a heading "Greeting", a text field at `fieldFrame()` with the value "Hello
/// world\nsecond line", the caret after "Hello" and the keyboard focus, whose value and
/// selection may be set, and a button "OK"; plus a second application that never answers.
class ContractDesktop {
 public:
  virtual ~ContractDesktop() = default;
  virtual Accessibility& accessibility() = 0;
  virtual std::int32_t appPid() = 0;
  virtual std::int32_t silentPid() = 0;
  /// Closes the window: it and everything in it go away.
  virtual void closeWindow() = 0;
  /// Where the field is, in global top-left coordinates.
  virtual Rect fieldFrame() { return {110, 140, 300, 60}; }
  /// The field's role: a text field, or a text area where the toolkit holds several lines so.
  virtual std::u16string fieldRole() { return u"AXTextField"; }
  /// Whether the items sit in a container inside the window rather than in the window itself.
  virtual bool itemsInContainer() { return false; }
};

struct Backend {
  const char* name;
  std::function<std::unique_ptr<ContractDesktop>()> make;
};

class AccessibilityContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    desktop = GetParam().make();
    app = ax().application(desktop->appPid());
    field = element(app, "AXFocusedUIElement");
    window = element(app, "AXFocusedWindow");
    ASSERT_TRUE(field);
    ASSERT_TRUE(window);
    box = desktop->itemsInContainer() ? element(field, "AXParent") : window;
    ASSERT_TRUE(box);
  }
  Accessibility& ax() { return desktop->accessibility(); }
  AXValue value(const Element& e, std::string_view name) {
    auto r = ax().copyAttributeValue(e, name);
    EXPECT_TRUE(r.ok()) << name << " failed with " << r.error;
    return r.value;
  }
  Element element(const Element& e, std::string_view name) {
    auto v = value(e, name);
    auto* found = std::get_if<Element>(&v);
    return found ? *found : Element();
  }
  std::vector<Element> elements(const Element& e, std::string_view name) {
    auto v = value(e, name);
    auto* found = std::get_if<std::vector<Element>>(&v);
    return found ? *found : std::vector<Element>();
  }

  std::unique_ptr<ContractDesktop> desktop;
  Element app, field, window;
  Element box;  // what holds the items: the window or its container
};

TEST_P(AccessibilityContract, HandlesCompareByTheElementTheyStandFor) {
  EXPECT_EQ(ax().application(desktop->appPid()), app);
  EXPECT_EQ(element(app, "AXFocusedUIElement"), field);
  EXPECT_EQ(element(ax().systemWide(), "AXFocusedUIElement"), field);
  EXPECT_EQ(element(ax().systemWide(), "AXFocusedApplication"), app);
  EXPECT_EQ(element(field, "AXWindow"), window);
  EXPECT_EQ(element(field, "AXTopLevelUIElement"), window);
  EXPECT_EQ(element(field, "AXParent"), box);
  if (box != window) {
    EXPECT_EQ(element(box, "AXParent"), window);
  }
  EXPECT_EQ(element(window, "AXParent"), app);
  EXPECT_EQ(elements(app, "AXWindows"), std::vector<Element>{window});
  auto children = elements(box, "AXChildren");
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[1], field);
  EXPECT_NE(children[0], field);
  EXPECT_NE(children[0], children[2]);
  EXPECT_NE(field, window);
  EXPECT_NE(Element(), field);
  EXPECT_NE(ax().application(desktop->silentPid()), app);
}

TEST_P(AccessibilityContract, AttributesHaveTheirKinds) {
  const std::pair<Element*, std::string> whos[] = {
      {&field, "field"}, {&window, "window"}, {&app, "app"}};
  const std::tuple<int, const char*, AXValue> rows[] = {
      {0, "AXRole", desktop->fieldRole()},
      {0, "AXValue", u"Hello world\nsecond line"},
      {0, "AXPosition", Point{desktop->fieldFrame().x, desktop->fieldFrame().y}},
      {0, "AXSize", Size{desktop->fieldFrame().w, desktop->fieldFrame().h}},
      {0, "AXSelectedTextRange", AXRange{5, 0}},
      {0, "AXNumberOfCharacters", 23.0},
      {0, "AXSelectedText", u""},
      {1, "AXRole", u"AXWindow"},
      {1, "AXTitle", u"Contract"},
      {2, "AXRole", u"AXApplication"},
      {2, "AXTitle", u"Contract"},
  };
  for (const auto& [who, name, expected] : rows) {
    SCOPED_TRACE(whos[who].second + " " + name);
    EXPECT_EQ(value(*whos[who].first, name), expected);
  }
  for (const Element* e : {&field, &window, &app}) {
    auto missing = ax().copyAttributeValue(*e, "AXNoSuchAttribute");
    EXPECT_FALSE(missing.ok());
  }
}

TEST_P(AccessibilityContract, BatchedReadGivesOneEntryPerNameWithFailuresInPlace) {
  const std::string_view names[] = {"AXRole", "AXNoSuchAttribute", "AXValue",
                                    "AXSelectedTextRange"};
  auto read = ax().copyMultipleAttributeValues(field, names);
  ASSERT_TRUE(std::holds_alternative<std::vector<AXValue>>(read));
  const auto& values = std::get<std::vector<AXValue>>(read);
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0], AXValue(desktop->fieldRole()));
  EXPECT_TRUE(std::holds_alternative<AXErrorValue>(values[1]));
  EXPECT_EQ(values[2], AXValue(u"Hello world\nsecond line"));
  EXPECT_EQ(values[3], AXValue(AXRange{5, 0}));

  const std::string_view boxNames[] = {"AXChildren", "AXParent"};
  auto boxRead = ax().copyMultipleAttributeValues(box, boxNames);
  ASSERT_TRUE(std::holds_alternative<std::vector<AXValue>>(boxRead));
  const auto& boxValues = std::get<std::vector<AXValue>>(boxRead);
  EXPECT_EQ(std::get<std::vector<Element>>(boxValues[0]).at(1), field);
  EXPECT_EQ(std::get<Element>(boxValues[1]), box == window ? app : window);
}

TEST_P(AccessibilityContract, TextIsReadByRangeInUtf16Units) {
  // No text: the read fails.
  const std::tuple<AXRange, const char16_t*> strings[] = {
      {{0, 5}, u"Hello"},  {{6, 5}, u"world"}, {{11, 1}, u"\n"},   {{12, 11}, u"second line"},
      {{20, 10}, nullptr}, {{-1, 2}, nullptr}, {{24, 1}, nullptr},
  };
  for (const auto& [range, expected] : strings) {
    SCOPED_TRACE(std::to_string(range.location) + "+" + std::to_string(range.length));
    auto r = ax().copyParameterizedAttributeValue(field, "AXStringForRange", range);
    if (expected)
      EXPECT_EQ(r.value, AXValue(std::u16string(expected)));
    else
      EXPECT_FALSE(r.ok());
  }
  EXPECT_FALSE(ax().copyParameterizedAttributeValue(field, "AXStringForRange", u"0").ok());

  auto bounds = [&](AXRange range) {
    auto r = ax().copyParameterizedAttributeValue(field, "AXBoundsForRange", range);
    auto* rect = std::get_if<platform::Rect>(&r.value);
    return r.ok() && rect ? std::optional(*rect) : std::nullopt;
  };
  auto first = bounds({0, 1}), seventh = bounds({6, 1}), secondLine = bounds({12, 1});
  ASSERT_TRUE(first && seventh && secondLine);
  const platform::Rect frame = desktop->fieldFrame();
  EXPECT_GT(first->height(), 0);
  EXPECT_GT(first->width(), 0);
  EXPECT_TRUE(frame.intersects(*first));
  EXPECT_GT(seventh->minX(), first->minX());
  EXPECT_GT(secondLine->minY(), first->minY());
  EXPECT_FALSE(bounds({30, 1}));
}

TEST_P(AccessibilityContract, SettableAttributesChangeWhatLaterReadsGive) {
  EXPECT_EQ(ax().isAttributeSettable(field, "AXValue"), true);
  EXPECT_EQ(ax().isAttributeSettable(field, "AXSelectedTextRange"), true);
  EXPECT_EQ(ax().isAttributeSettable(field, "AXRole"), false);
  EXPECT_NE(ax().setAttributeValue(field, "AXRole", u"AXButton"), kAXSuccess);
  EXPECT_EQ(value(field, "AXRole"), AXValue(desktop->fieldRole()));

  EXPECT_EQ(ax().setAttributeValue(field, "AXSelectedTextRange", AXRange{6, 5}), kAXSuccess);
  EXPECT_EQ(value(field, "AXSelectedTextRange"), AXValue(AXRange{6, 5}));
  EXPECT_EQ(value(field, "AXSelectedText"), AXValue(u"world"));
  EXPECT_EQ(ax().setAttributeValue(field, "AXValue", u"Hi there"), kAXSuccess);
  EXPECT_EQ(value(field, "AXValue"), AXValue(u"Hi there"));
  EXPECT_EQ(value(field, "AXNumberOfCharacters"), AXValue(8.0));
}

TEST_P(AccessibilityContract, ElementsBelongToTheirApplicationsProcess) {
  for (const Element* e : {&app, &window, &field}) EXPECT_EQ(ax().pid(*e), desktop->appPid());
  EXPECT_EQ(ax().pid(ax().application(desktop->silentPid())), desktop->silentPid());
}

TEST_P(AccessibilityContract, ElementsThatWentAwayAreInvalid) {
  desktop->closeWindow();
  EXPECT_EQ(ax().copyAttributeValue(field, "AXRole").error, kAXErrorInvalidUIElement);
  EXPECT_EQ(ax().copyAttributeValue(box, "AXChildren").error, kAXErrorInvalidUIElement);
  const std::string_view names[] = {"AXRole", "AXValue"};
  auto batch = ax().copyMultipleAttributeValues(field, names);
  ASSERT_TRUE(std::holds_alternative<AXError>(batch));
  EXPECT_EQ(std::get<AXError>(batch), kAXErrorInvalidUIElement);
  EXPECT_FALSE(ax().copyParameterizedAttributeValue(field, "AXStringForRange", AXRange{0, 1}).ok());
  EXPECT_EQ(ax().pid(field), std::nullopt);
  EXPECT_TRUE(elements(app, "AXWindows").empty());
  EXPECT_EQ(ax().pid(app), desktop->appPid());
}

TEST_P(AccessibilityContract, ASilentApplicationFailsOnceTheMessagingTimeoutRunsOut) {
  const Element silent = ax().application(desktop->silentPid());
  ASSERT_EQ(ax().setMessagingTimeout(silent, 0.2), kAXSuccess);
  const auto start = std::chrono::steady_clock::now();
  auto r = ax().copyAttributeValue(silent, "AXRole");
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(r.error, kAXErrorCannotComplete);
  EXPECT_GE(elapsed.count(), 0.15);
  EXPECT_LT(elapsed.count(), 3.0);
}

}  // namespace parlevox::contract
