// Context capture: the visible-text walk with its clips, budgets and limits, the area around the
// focused element, and the reply, on in-memory trees; reads counted on the simulated service.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "helper/context/context_capture.h"
#include "helper/context/near_text.h"
#include "helper/context/visible_texts.h"
#include "helper/platform/text.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using testing::loadDesktop;

// "w0001 w0002 …": word k (from 1) starts at unit 6 (k − 1).
std::string words(int first, int last) {
  std::string text;
  char word[8];
  for (int k = first; k <= last; ++k) {
    std::snprintf(word, sizeof word, "w%04d", k);
    if (!text.empty()) text += ' ';
    text += word;
  }
  return text;
}
const std::string kThousand = words(1, 167).substr(0, 1000);

std::string with(std::string text, const std::string& mark, const std::string& by) {
  for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at + by.size()))
    text.replace(at, mark.size(), by);
  return text;
}

std::vector<std::u16string> u16(const std::vector<std::string>& texts) {
  std::vector<std::u16string> out;
  for (const auto& t : texts) out.push_back(platform::utf16FromUtf8(t));
  return out;
}

// One window of every kind of element the walk meets. The scroll area shows y 200 … 500.
const std::string kReader = with(R"({"apps": [{"pid": 601, "name": "Reader", "ui": {"windows": [
  {"id": "w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
    {"id": "intro", "role": "AXStaticText", "value": "Introduction to the walk", "frame": [10, 10, 300, 20]},
    {"id": "single", "role": "AXStaticText", "value": "  x \n", "frame": [10, 40, 300, 20]},
    {"id": "emptyValue", "role": "AXStaticText", "value": "", "title": "Title text", "frame": [10, 70, 300, 20]},
    {"id": "titled", "role": "AXHeading", "title": "A heading by its title", "frame": [10, 100, 300, 20]},
    {"id": "pw", "role": "AXTextField", "subrole": "AXSecureTextField", "value": "hunter2",
     "frame": [10, 130, 300, 20], "children": [
       {"id": "pwChild", "role": "AXStaticText", "value": "secret child", "frame": [10, 130, 100, 20]}]},
    {"id": "button", "role": "AXButton", "title": "Button title", "frame": [10, 160, 100, 20], "children": [
      {"id": "label", "role": "AXStaticText", "value": "Press me", "frame": [10, 160, 100, 20]}]},
    {"id": "scroll", "role": "AXScrollArea", "frame": [0, 200, 800, 300], "children": [
      {"id": "long", "role": "AXStaticText", "value": "THOUSAND", "frame": [0, -100, 800, 900]},
      {"id": "ranged", "role": "AXStaticText", "value": "THOUSAND", "frame": [0, 400, 800, 400],
       "attributes": {"AXVisibleCharacterRange": {"range": [120, 60]}}},
      {"id": "whole", "role": "AXStaticText", "value": "THOUSAND", "frame": [0, 300, 800, 900],
       "attributes": {"AXVisibleCharacterRange": {"range": [0, 1000]}}},
      {"id": "below", "role": "AXGroup", "frame": [0, 700, 800, 100], "children": [
        {"id": "belowText", "role": "AXStaticText", "value": "Scrolled out", "frame": [0, 700, 800, 20]}]}]},
    {"id": "offscreen", "role": "AXStaticText", "value": "Off to the side", "frame": [900, 10, 200, 20]},
    {"id": "zero", "role": "AXGroup", "frame": [5000, 5000, 0, 0], "children": [
      {"id": "inZero", "role": "AXStaticText", "value": "Inside a zero-sized group", "frame": [10, 550, 300, 20]}]},
    {"id": "thin", "role": "AXStaticText", "value": "Thin strip", "frame": [10, 599, 300, 20]}]}]}}]})",
                                 "THOUSAND", kThousand);

TEST(CollectTexts, ClipsBudgetsAndLimitsDecideWhatIsReadAndTaken) {
  auto desktop = loadDesktop(kReader);
  auto& ax = desktop->accessibility;
  const Rect window{0, 0, 800, 600};
  const std::vector<std::string> visible = {"Introduction to the walk",
                                            "A heading by its title",
                                            "Press me",
                                            words(51, 117),  // the middle third, margin, words
                                            words(21, 31),   // the element's own visible range
                                            words(1, 41),    // a range of the whole text: estimate
                                            "Inside a zero-sized group"};
  struct Row {
    const char* what;
    Rect clip;
    std::int64_t maxChars, maxElements;
    std::vector<std::string> texts;
    std::uint64_t batched, single;  // reads: one batched per visited element
  };
  const Row rows[] = {
      // 17 elements visited: the password field's child and the scrolled-out group's are not.
      {"window clip", window, 6000, 4000, visible, 17, 3},
      {"budget cuts mid-word, then nothing more is read", window, 10, 4000, {"Introducti"}, 2, 0},
      {"budget spans texts", window, 30, 4000, {"Introduction to the walk", "A head"}, 5, 0},
      {"element limit: one visit past it", window, 6000, 3, {"Introduction to the walk"}, 4, 0},
      {"infinite clip: everything, whole texts",
       Rect::infinite(),
       6000,
       4000,
       {"Introduction to the walk", "A heading by its title", "Press me", kThousand, kThousand,
        kThousand, "Scrolled out", "Off to the side", "Inside a zero-sized group", "Thin strip"},
       18,
       0},
      {"null clip: the window is away", Rect::null(), 6000, 4000, {}, 1, 0},
      {"no budget", window, 0, 4000, {}, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ax.resetCallCounts();
    CaptureReads reads(ax);
    const auto got = collectTexts(reads.walk, ax.element("w"), row.clip, row.maxChars,
                                  row.maxElements, std::nullopt, Deadline());
    EXPECT_EQ(got.texts, u16(row.texts));
    EXPECT_EQ(got.visited, static_cast<std::int64_t>(row.batched));
    const auto calls = ax.callCounts();
    EXPECT_EQ(calls.batched, row.batched);
    EXPECT_EQ(calls.single, row.single);  // "AXVisibleCharacterRange" of partly shown long texts
    EXPECT_EQ(calls.parameterized, 0u);
  }
}

TEST(CollectTexts, SkipDepthDeadlineAndRepeatedWalks) {
  // A chain of groups, each holding a text and the next group: "level k" sits at depth k.
  std::string chain = R"({"id": "g45", "role": "AXGroup"})";
  for (int k = 45; k >= 1; --k)
    chain = R"({"id": "g)" + std::to_string(k - 1) + R"(", "role": "AXGroup", "children": [
      {"role": "AXStaticText", "value": "level )" +
            std::to_string(k) + R"("}, )" + chain + "]}";
  auto desktop = loadDesktop(R"({"apps": [{"pid": 1, "ui": {"windows": [)" + chain + "]}}]}");
  auto& ax = desktop->accessibility;
  CaptureReads reads(ax);
  const auto deep = collectTexts(reads.walk, ax.element("g0"), Rect::infinite(), 6000, 4000,
                                 std::nullopt, Deadline());
  ASSERT_EQ(deep.texts.size(), 40u);
  EXPECT_EQ(deep.texts.back(), u"level 40");
  EXPECT_EQ(deep.visited, 81);  // g0 … g40 and the 40 texts

  // Walking again with the same reads asks the application nothing more.
  const auto before = ax.callCounts();
  const auto skipped = collectTexts(reads.walk, ax.element("g0"), Rect::infinite(), 6000, 4000,
                                    ax.element("g3"), Deadline());
  EXPECT_EQ(ax.callCounts(), before);
  EXPECT_EQ(skipped.texts, u16({"level 1", "level 2", "level 3"}));

  // A deadline is tested before every element: a clock that runs 10 ms per batched read
  // passes the 100 ms deadline during the eleventh read.
  ax.resetCallCounts();
  CaptureReads fresh(ax);
  const Clock byReads = [&ax] { return 10.0 * static_cast<double>(ax.callCounts().batched); };
  const auto cut = collectTexts(fresh.walk, ax.element("g0"), Rect::infinite(), 6000, 4000,
                                std::nullopt, Deadline::after(byReads, 100));
  EXPECT_EQ(ax.callCounts().batched, 11u);
  EXPECT_EQ(cut.texts, u16({"level 1", "level 2", "level 3", "level 4", "level 5"}));
}

TEST(ClipOf, ScrollAndWebAreasUpToTheWindowNarrowTheClip) {
  auto desktop = loadDesktop(R"({"apps": [{"pid": 1, "ui": {"windows": [
    {"id": "w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
      {"id": "web", "role": "AXWebArea", "frame": [0, 50, 800, 500], "children": [
        {"id": "group", "role": "AXGroup", "frame": [0, 0, 2000, 2000], "children": [
          {"id": "inner", "role": "AXScrollArea", "frame": [100, 100, 200, 1000], "children": [
            {"id": "text", "role": "AXStaticText", "value": "x", "frame": [100, 100, 10, 10]}]}]}]}]}]}}]})");
  auto& ax = desktop->accessibility;
  CaptureReads reads(ax);
  const auto w = ax.element("w");
  const Rect windowClip{0, 0, 800, 600};
  EXPECT_EQ(clipOf(reads.clip, ax.element("text"), w, windowClip, {}), (Rect{100, 100, 200, 450}));
  EXPECT_EQ(clipOf(reads.clip, ax.element("inner"), w, windowClip, {}), (Rect{100, 100, 200, 450}));
  EXPECT_EQ(clipOf(reads.clip, ax.element("group"), w, windowClip, {}), (Rect{0, 50, 800, 500}));
  EXPECT_EQ(clipOf(reads.clip, w, w, windowClip, {}), windowClip);
  EXPECT_EQ(clipOf(reads.clip, ax.element("text"), w, Rect::infinite(), {}), Rect::infinite());
}

// Applications for the capture: each case is one application and its focused element.
const std::string kDesk = with(R"({"apps": [
  {"pid": 701, "bundle": "com.example.reader", "name": "Reader", "ui": {"windows": [
    {"id": "r.w", "role": "AXWindow", "title": "Article", "frame": [0, 0, 800, 600], "children": [
      {"id": "r.side", "role": "AXStaticText", "value": "Sidebar note", "frame": [600, 10, 190, 20]},
      {"id": "r.article", "role": "AXGroup", "frame": [0, 0, 590, 600], "children": [
        {"id": "r.body", "role": "AXStaticText", "value": "THOUSAND", "frame": [0, 0, 590, 400]},
        {"id": "r.form", "role": "AXGroup", "frame": [0, 400, 590, 200], "children": [
          {"id": "r.label", "role": "AXStaticText", "value": "Your comment", "frame": [0, 400, 200, 20]},
          {"id": "r.field", "role": "AXTextField", "value": "Nice", "selection": [4, 0],
           "frame": [0, 420, 300, 24]}]}]}]}],
    "focused": "r.field"}},
  {"pid": 702, "name": "Sparse", "ui": {"windows": [
    {"id": "s.w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
      {"id": "s.a", "role": "AXStaticText", "value": "Short one", "frame": [0, 0, 100, 20]},
      {"id": "s.scroll", "role": "AXScrollArea", "frame": [0, 100, 800, 100], "children": [
        {"id": "s.hidden", "role": "AXStaticText", "value": "Scrolled away", "frame": [0, 300, 100, 20]},
        NESTED]},
      {"id": "s.b", "role": "AXStaticText", "value": "Short two", "frame": [0, 500, 100, 20]},
      {"id": "s.off", "role": "AXStaticText", "value": "Off every display", "frame": [2000, 500, 100, 20]}]}],
    "focused": "s.field"}},
  {"pid": 703, "name": "Kiosk", "ui": {"windows": [
    {"id": "k.w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
      {"id": "k.a", "role": "AXStaticText", "value": "Welcome", "frame": [0, 0, 100, 20]}]}],
    "focused": "k.w"}},
  {"pid": 704, "name": "Login", "ui": {"windows": [
    {"id": "l.w", "role": "AXWindow", "title": "Sign in", "frame": [0, 0, 800, 600], "children": [
      {"id": "l.pw", "role": "AXSecureTextField", "value": "hunter2", "selection": [7, 0],
       "frame": [0, 0, 200, 20]}]}],
    "focused": "l.pw"}},
  {"pid": 705, "name": "Daemon"},
  {"pid": 706, "name": "Browser", "ui": {"windows": [
    {"id": "b.w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
      {"id": "b.web", "role": "AXWebArea", "frame": [0, 0, 800, 600],
       "attributes": {"AXURL": {"url": "https://user:pw@news.example.com/today?x=1"}}, "children": [
        {"id": "b.t", "role": "AXStaticText", "value": "Headline", "frame": [0, 0, 100, 20]}]}]}],
    "focused": "b.t"}}]})",
                               "THOUSAND", kThousand);

// A trusted request for the application `pid` of the desktop (absent when none has it).
ContextRequest requestFor(sim::SimDesktop& desktop, std::int32_t pid, std::int64_t maxChars,
                          bool everything = false) {
  ContextRequest request;
  request.trusted = true;
  for (const auto& app : desktop.workspace.runningApplications())
    if (app.pid == pid) request.app = app;
  request.maxChars = maxChars;
  request.everything = everything;
  request.displays = {Rect{0, 0, 1000, 800}};
  return request;
}

std::string digits(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + i % 10));
  return s;
}

TEST(CaptureContext, AreaRestFocusedValueAndPageOfTheWindow) {
  // The sparse window's field sits 13 levels below its window, in groups without text.
  std::string nested = R"({"id": "s.field", "role": "AXComboBox", "value": "DIGITS",
    "selection": [5000, 0], "frame": [0, 100, 800, 100]})";
  for (int k = 12; k >= 1; --k)
    nested = R"({"id": "s.g)" + std::to_string(k) + R"(", "role": "AXGroup", "children": [)" +
             nested + "]}";
  auto desktop = loadDesktop(with(with(kDesk, "NESTED", nested), "DIGITS", digits(10000)));
  auto& ax = desktop->accessibility;
  auto capture = [&](std::int32_t pid, std::int64_t maxChars, bool everything) {
    return captureContext(ax, requestFor(*desktop, pid, maxChars, everything));
  };
  using nlohmann::json;
  const json noTexts = json::array();

  // The field's form holds 16 characters, the article more than 599: the article is the area,
  // and the rest walk skips it.
  const auto reader = capture(701, 6000, false);
  EXPECT_EQ(reader,
            (json{{"ok", true},
                  {"app", {{"pid", 701}, {"bundle", "com.example.reader"}, {"name", "Reader"}}},
                  {"title", "Article"},
                  {"focusedValue", "Nice"},
                  {"focusedCaret", 4},
                  {"area", {kThousand, "Your comment", "Nice"}},
                  {"texts", {"Sidebar note"}}}));
  // The budget left for the rest is what the area did not take.
  EXPECT_EQ(capture(701, 1027, false)["texts"], json({"Sidebar not"}));

  // Never 600 characters within 12 levels: no area, the whole window's visible text; the value
  // window of maxChars / 2 = 3000 units keeps 1800 before the caret.
  const auto sparse = capture(702, 6000, false);
  EXPECT_EQ(sparse["area"], noTexts);
  EXPECT_EQ(sparse["texts"], json({"Short one", "Short two"}));
  EXPECT_EQ(sparse["focusedValue"], digits(10000).substr(3200, 3000));
  EXPECT_EQ(sparse["focusedCaret"], 1800);
  // Everything: scrolled-out and off-display texts too, no clip from the scroll area.
  EXPECT_EQ(capture(702, 20000, true)["texts"],
            json({"Short one", "Scrolled away", "Short two", "Off every display"}));

  // The focused element is the window: its texts are the area, nothing else is walked.
  const auto kiosk = capture(703, 6000, false);
  EXPECT_EQ(kiosk["area"], json({"Welcome"}));
  EXPECT_EQ(kiosk["texts"], noTexts);
  EXPECT_FALSE(kiosk.contains("focusedValue"));

  // A password field: no value, and its text is never collected.
  EXPECT_EQ(capture(704, 6000, false),
            (json{{"ok", true},
                  {"app", {{"pid", 704}, {"bundle", ""}, {"name", "Login"}}},
                  {"title", "Sign in"},
                  {"area", noTexts},
                  {"texts", noTexts}}));

  // No window: only the application.
  EXPECT_EQ(capture(705, 6000, false),
            (json{{"ok", true}, {"app", {{"pid", 705}, {"bundle", ""}, {"name", "Daemon"}}}}));

  // The page address of a web area, without credentials, query or scheme.
  EXPECT_EQ(capture(706, 6000, false)["url"], "news.example.com/today");

  auto untrusted = requestFor(*desktop, 701, 6000);
  untrusted.trusted = false;
  EXPECT_EQ(captureContext(ax, untrusted), (json{{"ok", false}, {"error", "no_accessibility"}}));
  EXPECT_EQ(captureContext(ax, requestFor(*desktop, 4242, 6000)),
            (json{{"ok", false}, {"error", "no_app"}}));
}

TEST(CaptureContext, ElementLimitsAndTheDeadlineBoundTheReads) {
  // Everything mode, so that nothing is skipped as away: every element costs a visit.
  auto desktop = loadDesktop(R"({"apps": [{"pid": 9, "name": "Log", "ui": {"windows": [
    {"id": "w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
      {"id": "a", "role": "AXGroup", "children": [{"paragraphs": {"count": 5000, "id": "a"}}]},
      {"id": "b", "role": "AXGroup", "children": [{"paragraphs": {"count": 5000, "id": "b"}}]}]}],
    "focused": "a.0"}}]})");
  auto& ax = desktop->accessibility;
  auto request = requestFor(*desktop, 9, 1'000'000'000, true);
  // Reads: the focused element (1), the window's title and frame (1), the page search (the
  // window, both groups, 40 paragraphs of each: 83), the focused paragraph's walk (1) and its
  // parent (1), the area walk of "a" (1500 more: 1501 visits), the rest walk ("w", "b" and
  // 3999 paragraphs: 4001 visits, "a" skipped unread).
  const auto full = captureContext(ax, request);
  EXPECT_EQ(ax.callCounts().batched, 1u + 1 + 83 + 1 + 1 + 1500 + 4001);
  EXPECT_EQ(full["area"].size(), 1500u);
  EXPECT_EQ(full["texts"].size(), 3999u);

  // One millisecond per batched read: the 2000 ms deadline passes after the 2001st read, in the
  // rest walk, which returns what it has.
  ax.resetCallCounts();
  request.clock = [&ax] { return static_cast<double>(ax.callCounts().batched); };
  const auto cut = captureContext(ax, request);
  EXPECT_EQ(ax.callCounts().batched, 2001u);
  EXPECT_EQ(cut["area"].size(), 1500u);
  EXPECT_EQ(cut["texts"].size(), 412u);
}

TEST(CaptureContext, CyclicTreesStayWithinEveryBound) {
  // An application that lists the window among its own descendants and makes an element its
  // own parent: every walk and climb must still end within its limits.
  auto desktop = loadDesktop(R"({"apps": [{"pid": 3, "name": "Loop", "ui": {"windows": [
    {"id": "w", "role": "AXWindow", "frame": [0, 0, 800, 600], "children": [
      {"id": "a", "role": "AXGroup", "frame": [0, 0, 800, 600],
       "attributes": {"AXChildren": {"elements": ["t", "w"]}, "AXParent": {"element": "a"}}},
      {"id": "t", "role": "AXTextField", "value": "loop", "frame": [0, 0, 100, 20],
       "attributes": {"AXParent": {"element": "a"}}}]}],
    "focused": "t"}}]})");
  auto& ax = desktop->accessibility;
  const auto request = requestFor(*desktop, 3, 1'000'000);
  const auto reply = captureContext(ax, request);
  EXPECT_EQ(reply["focusedValue"], "loop");
  // The element that is its own parent ends the climb without an area; the rest walk meets
  // the field once per level of the cycle until the depth limit.
  EXPECT_EQ(reply["area"], nlohmann::json::array());
  EXPECT_EQ(reply["texts"].size(), 40u);
  EXPECT_LT(ax.callCounts().batched, 1000u);
  const auto near = nearText(ax, true, 3, 1'000'000, {});
  EXPECT_EQ(near["above"].size(), 0u);
  EXPECT_EQ(near["below"].size(), 40u);
}

}  // namespace
}  // namespace parlevox
