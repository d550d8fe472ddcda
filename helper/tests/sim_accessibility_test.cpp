// The simulated accessibility service beyond the interface contract: derived attributes, text
// reads, how applications react to sets, answer times, timed changes, the record and the counts.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "helper/tests/support/test_helper.h"
#include "helper/tests/support/virtual_run_loop.h"

namespace parlevox {
namespace {

using namespace platform;
using testing::loadDesktop;

// What a read is expected to give: a value, an error, or the element with a scenario id.
struct Expect {
  AXValue value;
  AXError error = kAXSuccess;
  const char* element = nullptr;
};
Expect fails(AXError error) {
  return {AXNone{}, error};
}
Expect elementNamed(const char* id) {
  return {AXNone{}, kAXSuccess, id};
}

void check(sim::SimDesktop& d, const AXRead& r, const Expect& want) {
  if (want.error != kAXSuccess) {
    EXPECT_EQ(r.error, want.error);
  } else if (want.element) {
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(std::get<Element>(r.value), d.accessibility.element(want.element));
  } else {
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.value, want.value);
  }
}

std::vector<Element> elements(sim::SimDesktop& d, std::initializer_list<const char*> ids) {
  std::vector<Element> out;
  for (const char* id : ids) out.push_back(d.accessibility.element(id));
  return out;
}

TEST(SimAccessibility, DerivesAttributesFromTheTreeUnlessGiven) {
  auto d = loadDesktop(R"({"apps": [{"pid": 10, "name": "Editor", "ui": {
    "menuBar": {"id": "bar", "role": "AXMenuBar"},
    "windows": [
      {"id": "w", "role": "AXWindow", "frame": [0, 0, 500, 400], "children": [
        {"id": "group", "role": "AXGroup", "children": [
          {"id": "plain", "role": "AXTextArea", "value": "ab\ud83d\ude00cd", "selection": [1, 4]},
          {"id": "given", "role": "AXTextArea", "value": "abc", "selection": [0, 2],
           "attributes": {"AXSelectedText": ""}},
          {"id": "failing", "role": "AXTextArea", "value": "abc", "selection": [0, 2],
           "attributes": {"AXSelectedText": {"error": "noValue"}}},
          {"id": "unselected", "role": "AXTextArea", "value": "abc"},
          {"id": "beyond", "role": "AXTextArea", "value": "abc", "selection": [2, 10]},
          {"id": "away", "role": "AXStaticText", "gone": true}]}]},
      {"id": "w2", "role": "AXWindow"}],
    "focused": "plain"}}], "frontmost": 10})");
  const std::tuple<const char*, const char*, Expect> rows[] = {
      {"plain", "AXNumberOfCharacters", {6.0}},
      {"plain", "AXSelectedText", {u"b\U0001F600c"}},
      {"given", "AXSelectedText", {u""}},
      {"failing", "AXSelectedText", fails(kAXErrorNoValue)},
      {"unselected", "AXSelectedText", fails(kAXErrorAttributeUnsupported)},
      {"beyond", "AXSelectedText", {u"c"}},
      {"group", "AXNumberOfCharacters", fails(kAXErrorAttributeUnsupported)},
      {"group", "AXWindow", elementNamed("w")},
      {"plain", "AXTopLevelUIElement", elementNamed("w")},
      {"w", "AXWindow", elementNamed("w")},
      {"bar", "AXWindow", fails(kAXErrorNoValue)},
      {"plain", "AXParent", elementNamed("group")},
      {"away", "AXRole", fails(kAXErrorInvalidUIElement)},
      {"group",
       "AXChildren",
       {elements(*d, {"plain", "given", "failing", "unselected", "beyond"})}},
  };
  for (const auto& [id, name, want] : rows) {
    SCOPED_TRACE(std::string(id) + " " + name);
    check(*d, d->accessibility.copyAttributeValue(d->accessibility.element(id), name), want);
  }
  const Element app = d->accessibility.application(10);
  const std::tuple<const char*, Expect> appRows[] = {
      {"AXRole", {u"AXApplication"}},
      {"AXTitle", {u"Editor"}},
      {"AXChildren", {elements(*d, {"bar", "w", "w2"})}},
      {"AXWindows", {elements(*d, {"w", "w2"})}},
      {"AXMenuBar", elementNamed("bar")},
      {"AXFocusedUIElement", elementNamed("plain")},
      {"AXFocusedWindow", elementNamed("w")},
      {"AXMainWindow", elementNamed("w")},
      {"AXParent", fails(kAXErrorAttributeUnsupported)},
  };
  for (const auto& [name, want] : appRows) {
    SCOPED_TRACE(std::string("app ") + name);
    check(*d, d->accessibility.copyAttributeValue(app, name), want);
  }
}

TEST(SimAccessibility, TextReadsFollowTheLineLayoutServedUnitsAndBoxes) {
  auto d = loadDesktop(R"({"apps": [{"pid": 10, "ui": {"windows": [
    {"id": "lines", "role": "AXTextArea", "value": "ab\ncde", "frame": [10, 20, 100, 50],
     "textReads": {"charWidth": 5, "lineHeight": 10}},
    {"id": "served", "role": "AXTextArea", "value": "0123456789", "textReads": {"servedUnits": 6}},
    {"id": "boxed", "role": "AXTextField", "value": "xyz",
     "textReads": {"boxes": [[0, 0, 4, 10], [4, 0, 6, 10], [10, 0, 5, 10]]}},
    {"id": "tall", "role": "AXTextField", "value": "x",
     "attributes": {"AXBoundsForRange": {"rect": [0, 0, 10, 240]}}},
    {"id": "broken", "role": "AXTextField", "value": "x",
     "attributes": {"AXStringForRange": {"error": "cannotComplete"}}},
    {"id": "valueless", "role": "AXGroup"}]}}]})");
  const std::tuple<const char*, const char*, AXRange, Expect> rows[] = {
      {"lines", "AXBoundsForRange", {0, 1}, {platform::Rect{10, 20, 5, 10}}},
      {"lines", "AXBoundsForRange", {1, 2}, {platform::Rect{15, 20, 10, 10}}},
      {"lines", "AXBoundsForRange", {3, 1}, {platform::Rect{10, 30, 5, 10}}},
      {"lines", "AXBoundsForRange", {2, 2}, {platform::Rect{10, 20, 15, 20}}},
      {"lines", "AXBoundsForRange", {6, 0}, {platform::Rect{25, 30, 0, 10}}},
      {"lines", "AXBoundsForRange", {6, 1}, fails(kAXErrorIllegalArgument)},
      {"lines", "AXStringForRange", {1, 3}, {u"b\nc"}},
      {"served", "AXStringForRange", {0, 6}, {u"012345"}},
      {"served", "AXStringForRange", {5, 1}, {u"5"}},
      {"served", "AXStringForRange", {0, 7}, fails(kAXErrorIllegalArgument)},
      {"served", "AXStringForRange", {6, 1}, fails(kAXErrorIllegalArgument)},
      {"boxed", "AXBoundsForRange", {0, 2}, {platform::Rect{0, 0, 10, 10}}},
      {"boxed", "AXBoundsForRange", {1, 0}, {platform::Rect{4, 0, 0, 10}}},
      {"boxed", "AXBoundsForRange", {2, 2}, fails(kAXErrorIllegalArgument)},
      {"tall", "AXBoundsForRange", {0, 1}, {platform::Rect{0, 0, 10, 240}}},
      {"broken", "AXStringForRange", {0, 1}, fails(kAXErrorCannotComplete)},
      {"valueless", "AXStringForRange", {0, 0}, fails(kAXErrorNoValue)},
      {"lines", "AXRangeForLine", {0, 0}, fails(kAXErrorParameterizedAttributeUnsupported)},
  };
  for (const auto& [id, name, range, want] : rows) {
    SCOPED_TRACE(std::string(id) + " " + name + " " + std::to_string(range.location) + "+" +
                 std::to_string(range.length));
    check(
        *d,
        d->accessibility.copyParameterizedAttributeValue(d->accessibility.element(id), name, range),
        want);
  }
}

TEST(SimAccessibility, ApplicationsReactToSetsAsTheScenarioSaysAndEverySetIsRecorded) {
  auto d = loadDesktop(R"({"apps": [{"pid": 10, "ui": {"windows": [
    {"id": "now", "value": "hello", "selection": [0, 0],
     "settable": {"AXSelectedTextRange": "apply"}},
    {"id": "later", "value": "hello", "selection": [0, 0],
     "settable": {"AXSelectedTextRange": {"after": 2}}},
    {"id": "clamped", "value": "hello", "selection": [0, 0],
     "settable": {"AXSelectedTextRange": "clamp"}},
    {"id": "refused", "value": "hello", "selection": [0, 0],
     "settable": {"AXSelectedTextRange": {"refuse": "cannotComplete"}}},
    {"id": "fixed", "value": "hello", "selection": [0, 0]}]}}]})");
  d->recorder.setClock([] { return 1234.0; });
  const std::tuple<const char*, AXError, std::vector<AXRange>> rows[] = {
      {"now", kAXSuccess, {{3, 10}, {3, 10}}},
      {"later", kAXSuccess, {{0, 0}, {0, 0}, {3, 10}, {3, 10}}},
      {"clamped", kAXSuccess, {{3, 2}}},
      {"refused", kAXErrorCannotComplete, {{0, 0}}},
      {"fixed", kAXErrorAttributeUnsupported, {{0, 0}}},
  };
  d->recorder.keepInMemory();
  auto& ax = d->accessibility;
  for (const auto& [id, error, reads] : rows) {
    SCOPED_TRACE(id);
    const Element e = ax.element(id);
    EXPECT_EQ(ax.isAttributeSettable(e, "AXSelectedTextRange"), std::string(id) != "fixed");
    EXPECT_EQ(ax.setAttributeValue(e, "AXSelectedTextRange", AXRange{3, 10}), error);
    for (auto range : reads)
      EXPECT_EQ(ax.copyAttributeValue(e, "AXSelectedTextRange").value, AXValue(range));
  }
  const auto entries = d->recorder.entries();
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[1], nlohmann::json::parse(R"({"do": "axSetAttribute", "pid": 10,
      "element": "later", "attribute": "AXSelectedTextRange", "value": {"range": [3, 10]},
      "timeout": 6.0, "ms": 1234.0})"));
  EXPECT_EQ(entries[4]["element"], "fixed");
}

TEST(SimAccessibility, ABatchedReadThatFailsLeavesSingleReadsWorking) {
  auto d = loadDesktop(R"({"apps": [{"pid": 10, "ui": {"windows": [
    {"id": "e", "role": "AXWebArea", "batchFails": true}]}}]})");
  const std::string_view names[] = {"AXRole"};
  const Element e = d->accessibility.element("e");
  EXPECT_EQ(std::get<AXError>(d->accessibility.copyMultipleAttributeValues(e, names)),
            kAXErrorFailure);
  EXPECT_EQ(d->accessibility.copyAttributeValue(e, "AXRole").value, AXValue(u"AXWebArea"));
}

TEST(SimAccessibility, CountsCallsPerKind) {
  auto d = loadDesktop(R"({"apps": [{"pid": 10, "ui": {
    "windows": [{"id": "field", "role": "AXTextField", "value": "abc"}], "focused": "field"}}],
    "frontmost": 10})");
  auto& ax = d->accessibility;
  const Element field = ax.element("field");
  const std::string_view names[] = {"AXRole", "AXValue"};
  ax.copyAttributeValue(field, "AXRole");
  ax.copyAttributeValue(ax.systemWide(), "AXFocusedUIElement");
  ax.copyMultipleAttributeValues(field, names);
  ax.copyParameterizedAttributeValue(field, "AXStringForRange", AXRange{0, 1});
  ax.isAttributeSettable(field, "AXValue");
  ax.setAttributeValue(field, "AXValue", u"x");
  ax.pid(field);
  ax.setMessagingTimeout(field, 1);
  EXPECT_EQ(ax.callCounts(), (sim::AXCallCounts{2, 1, 1, 1, 1}));
  ax.resetCallCounts();
  EXPECT_EQ(ax.callCounts(), sim::AXCallCounts{});
}

double secondsOf(const std::function<void()>& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Bounds are generous: this is about waiting or not, and about failing or not, not about speed.
TEST(SimAccessibility, SlowAndSilentApplicationsAnswerWithinTheHandlesTimeout) {
  auto d = loadDesktop(R"({"apps": [
    {"pid": 10, "ui": {"readMs": 120, "windows": [{"id": "w", "role": "AXWindow"}]}},
    {"pid": 11, "ui": {"silent": true}}]})");
  auto& ax = d->accessibility;
  AXRead r;
  // A slow application answers after its delay when the timeout allows it.
  EXPECT_GE(secondsOf([&] { r = ax.copyAttributeValue(ax.application(10), "AXRole"); }), 0.11);
  EXPECT_TRUE(r.ok());
  // A timeout shorter than the delay fails the call once the timeout has passed.
  const Element quick = ax.application(10);
  ax.setMessagingTimeout(quick, 0.04);
  double waited = secondsOf([&] { r = ax.copyAttributeValue(quick, "AXRole"); });
  EXPECT_EQ(r.error, kAXErrorCannotComplete);
  EXPECT_GE(waited, 0.035);
  EXPECT_LT(waited, 0.115);
  // A silent application never answers.
  const Element silent = ax.application(11);
  ax.setMessagingTimeout(silent, 0.05);
  const std::string_view names[] = {"AXRole"};
  waited = secondsOf([&] {
    EXPECT_EQ(std::get<AXError>(ax.copyMultipleAttributeValues(silent, names)),
              kAXErrorCannotComplete);
  });
  EXPECT_GE(waited, 0.045);
  EXPECT_LT(waited, 2.0);
  // Handles read through a handle keep its timeout; the system-wide element sets the default for
  // the others.
  const Element patient = ax.application(10);
  ax.setMessagingTimeout(patient, 0.5);
  auto windows = ax.copyAttributeValue(patient, "AXWindows");
  ASSERT_TRUE(windows.ok());
  const Element window = std::get<std::vector<Element>>(windows.value).at(0);
  ax.setMessagingTimeout(ax.systemWide(), 0.04);
  EXPECT_TRUE(ax.copyAttributeValue(window, "AXRole").ok());
  EXPECT_EQ(ax.copyAttributeValue(ax.element("w"), "AXRole").error, kAXErrorCannotComplete);
  EXPECT_EQ(ax.setMessagingTimeout(window, -1), kAXErrorIllegalArgument);
}

TEST(SimAccessibility, TimedStepsMoveFocusFrontmostValuesAndRemoveElements) {
  auto d = loadDesktop(R"({"apps": [
    {"pid": 10, "ui": {"windows": [{"id": "a", "role": "AXTextField", "value": "one"}],
                       "focused": "a"}},
    {"pid": 11, "ui": {"windows": [{"id": "w", "role": "AXWindow", "children": [
      {"id": "b1", "role": "AXTextField"},
      {"id": "b2", "role": "AXTextField", "value": "two"}]}], "focused": "b1"}}],
   "frontmost": 10,
   "input": [{"at": 100, "front": 11}, {"at": 200, "focus": "b2"},
             {"at": 300, "change": "b2", "value": "three", "selection": [5, 0]},
             {"at": 400, "remove": "b2"}, {"at": 500, "secure": true},
             {"at": 600, "front": null}]})");
  testing::VirtualRunLoop loop(0);
  d->input.mainLoopStarting(
      [&](double ms, std::function<void()> task) { loop.after(ms, std::move(task)); });
  d->input.tapCreated();
  auto& ax = d->accessibility;
  auto focused = [&] { return ax.copyAttributeValue(ax.systemWide(), "AXFocusedUIElement"); };
  auto value = [&](const char* id, const char* name) {
    return ax.copyAttributeValue(ax.element(id), name).value;
  };
  EXPECT_EQ(std::get<Element>(focused().value), ax.element("a"));
  loop.advanceTo(100);
  EXPECT_EQ(std::get<Element>(focused().value), ax.element("b1"));
  EXPECT_EQ(std::get<Element>(value("b1", "AXWindow")), ax.element("w"));
  loop.advanceTo(200);
  EXPECT_EQ(std::get<Element>(focused().value), ax.element("b2"));
  EXPECT_EQ(value("b2", "AXValue"), AXValue(u"two"));
  loop.advanceTo(300);
  EXPECT_EQ(value("b2", "AXValue"), AXValue(u"three"));
  EXPECT_EQ(value("b2", "AXSelectedTextRange"), AXValue(AXRange{5, 0}));
  loop.advanceTo(400);
  EXPECT_EQ(ax.copyAttributeValue(ax.element("b2"), "AXValue").error, kAXErrorInvalidUIElement);
  EXPECT_EQ(value("w", "AXChildren"), AXValue(std::vector<Element>{ax.element("b1")}));
  EXPECT_FALSE(d->events.secureInputEnabled());
  loop.advanceTo(500);
  EXPECT_TRUE(d->events.secureInputEnabled());
  loop.advanceTo(600);
  EXPECT_EQ(focused().error, kAXErrorNoValue);
}

}  // namespace
}  // namespace parlevox
