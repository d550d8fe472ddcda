// The browser page of a window and of an application, and the focused window's title, on
// in-memory trees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helper/context/browser_page.h"
#include "helper/context/window_title.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using testing::loadDesktop;

std::string groups(int n, const std::string& last) {
  std::string list;
  for (int i = 1; i < n; ++i) list += R"({"role": "AXGroup"}, )";
  return list + last;
}

const std::string kWebArea =
    R"({"role": "AXWebArea", "attributes": {"AXURL": {"url": "https://far.example.com/x"}}})";

const std::string kBrowser = R"({"apps": [
  {"pid": 901, "name": "Browser", "ui": {"windows": [
    {"id": "doc", "role": "AXWindow", "title": "Story",
     "attributes": {"AXDocument": "https://user:pw@news.example.com/story?id=3#top"}},
    {"id": "file", "role": "AXWindow", "attributes": {"AXDocument": "file:///Users/a/page.html"},
     "children": [{"role": "AXGroup", "children": [
       {"role": "AXWebArea", "attributes": {"AXURL": {"url": "https://docs.example.com/guide/"}}}]}]},
    {"id": "stringUrl", "role": "AXWindow", "children": [
      {"role": "AXWebArea", "attributes": {"AXURL": "http://intranet.test"}}]},
    {"id": "noUrl", "role": "AXWindow", "children": [{"role": "AXGroup", "children": [
      {"role": "AXWebArea"}]}]},
    {"id": "about", "role": "AXWindow", "children": [
      {"role": "AXWebArea", "attributes": {"AXURL": {"url": "about:blank"}}},
      {"role": "AXWebArea", "attributes": {"AXURL": {"url": "https://second.example.com/"}}}]},
    {"id": "farChild", "role": "AXWindow", "children": [)" +
                             groups(41, kWebArea) + R"(]},
    {"id": "fortieth", "role": "AXWindow", "children": [)" +
                             groups(40, kWebArea) + R"(]},
    {"id": "plain", "role": "AXWindow", "children": [{"role": "AXStaticText", "value": "x"}]},
    {"id": "wide", "role": "AXWindow", "children": [
      {"repeat": {"count": 40, "element": {"role": "AXGroup", "children": [
        {"repeat": {"count": 40, "element": {"role": "AXGroup", "children": [)" +
                             kWebArea + R"(]}}}]}}}]}],
    "focused": "doc"}},
  {"pid": 902, "name": "Empty"},
  {"pid": 903, "name": "Split", "ui": {"windows": [
    {"id": "s.focused", "role": "AXWindow", "title": "Focused one", "children": [{"role": "AXWebArea"}]},
    {"id": "s.main", "role": "AXWindow",
     "attributes": {"AXDocument": "https://main.example.com/inbox"}}],
    "focusedWindow": "s.focused", "mainWindow": "s.main"}},
  {"pid": 904, "name": "Blank", "ui": {"windows": [
    {"id": "b.w", "role": "AXWindow", "children": [{"role": "AXWebArea"}]}]}},
  {"pid": 905, "name": "Editor", "ui": {"windows": [
    {"id": "e.focused", "role": "AXWindow", "title": 42},
    {"id": "e.main", "role": "AXWindow",
     "attributes": {"AXDocument": "https://main.example.com/"}}],
    "focusedWindow": "e.focused", "mainWindow": "e.main"}}]})";

TEST(BrowserPage, DocumentOrFirstWebAreaBreadthFirst) {
  auto desktop = loadDesktop(kBrowser);
  auto& ax = desktop->accessibility;
  const std::optional<std::string> none;
  struct Row {
    const char* window;
    PageResult page;
    std::uint64_t batched;  // one read per element the search takes
  };
  const Row rows[] = {
      {"doc", {"news.example.com/story", true, "https://news.example.com/story?id=3#top"}, 0},
      {"file", {"docs.example.com/guide/", true, "https://docs.example.com/guide/"}, 3},
      {"stringUrl", {"intranet.test", true, "http://intranet.test"}, 2},
      {"noUrl", {none, true, none}, 3},
      {"about", {"second.example.com", true, "https://second.example.com/"}, 3},
      // The 41st child is never queued; the 40th is.
      {"farChild", {none, false, none}, 41},
      {"fortieth", {"far.example.com/x", true, "https://far.example.com/x"}, 41},
      {"plain", {none, false, none}, 2},
      // 1 + 40 + 1600 elements, 600 of them taken: the web areas lie beyond.
      {"wide", {none, false, none}, 600},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.window);
    ax.resetCallCounts();
    EXPECT_EQ(browserPage(ax, ax.element(row.window)), row.page);
    EXPECT_EQ(ax.callCounts().batched, row.batched);
    EXPECT_EQ(ax.callCounts().single, 1u);  // "AXDocument"
  }
  // Past the deadline the search takes nothing more; the document is still read.
  EXPECT_EQ(browserPage(ax, ax.element("file"), Deadline::after([] { return 0.0; }, -1)),
            (PageResult{none, false, none}));
}

TEST(BrowserPage, FocusedThenMainWindowWithOneRetry) {
  auto desktop = loadDesktop(kBrowser);
  auto& ax = desktop->accessibility;
  std::vector<double> pauses;
  const Pause record = [&](double s) { pauses.push_back(s); };
  const std::optional<std::string> none;
  struct Row {
    std::int32_t pid;
    PageResult page;
    std::vector<double> pauses;
  };
  const Row rows[] = {
      {901, {"news.example.com/story", true, "https://news.example.com/story?id=3#top"}, {}},
      // No windows: one pause, then nothing.
      {902, {none, false, none}, {0.15}},
      // The focused window shows a page without an address; the main window has one.
      {903, {"main.example.com/inbox", true, "https://main.example.com/inbox"}, {}},
      // A page without an address, focused and main alike: answered at once, no retry.
      {904, {none, true, none}, {}},
      {905, {"main.example.com", true, "https://main.example.com/"}, {}},
      {4242, {none, false, none}, {0.15}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pid);
    pauses.clear();
    EXPECT_EQ(browserPage(ax, row.pid, record), row.page);
    EXPECT_EQ(pauses, row.pauses);
  }
  // The focused and the main window are one: its tree is searched once per attempt.
  ax.resetCallCounts();
  browserPage(ax, 904, record);
  EXPECT_EQ(ax.callCounts().batched, 2u);

  EXPECT_EQ(focusedWindowTitle(ax, 901), u"Story");
  EXPECT_EQ(focusedWindowTitle(ax, 903), u"Focused one");
  EXPECT_EQ(focusedWindowTitle(ax, 905), u"");  // a title that is not a string
  EXPECT_EQ(focusedWindowTitle(ax, 902), u"");
}

}  // namespace
}  // namespace parlevox
