// The menu-shortcut search on a simulated desktop: which applications are searched, which items
// match, how deep and how far a search goes, and the order and limit of the entries.
#include <gtest/gtest.h>

#include <string>

#include "helper/keyboard/menu_shortcuts.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using nlohmann::json;

std::string item(const std::string& title, const std::string& attributes,
                 const std::string& children = "") {
  return R"({"role": "AXMenuItem", "title": ")" + title + R"(", "attributes": {)" + attributes +
         "}" + (children.empty() ? "" : R"(, "children": [)" + children + "]") + "}";
}
std::string menu(const std::string& items) {
  return R"({"role": "AXMenu", "children": [)" + items + "]}";
}
std::string barItem(const std::string& title, const std::string& items) {
  return R"({"role": "AXMenuBarItem", "title": ")" + title + R"(", "children": [)" + menu(items) +
         "]}";
}
// The first menu-bar item is the system's menu, never searched, though it has a match.
std::string menuBar(const std::string& barItems) {
  return R"({"role": "AXMenuBar", "children": [)" +
         barItem("Apple", item("About", R"("AXMenuItemCmdChar": "S")")) + "," + barItems + "]}";
}
std::string app(int pid, const std::string& fields, const std::string& bar) {
  return R"({"pid": )" + std::to_string(pid) + ", " + fields + R"(, "ui": {"menuBar": )" + bar +
         "}}";
}
std::string repeat(int count, const std::string& element) {
  return R"({"repeat": {"count": )" + std::to_string(count) + R"(, "element": )" + element + "}}";
}
std::string charItem(const std::string& title, const std::string& character) {
  return item(title, R"("AXMenuItemCmdChar": ")" + character + R"(")");
}

// The skipped applications have the same File menu as those searched.
const std::string kFileMenu = barItem("File", charItem("Save", "S") + "," + charItem("Quit", "Q"));

std::string scenario() {
  // One item answers only attribute by attribute; it is read that way and still matches.
  const std::string saveAs =
      item("Save As…", R"("AXMenuItemCmdChar": "S", "AXMenuItemCmdModifiers": 1)");
  const std::string saveAsSingly = R"({"batchFails": true, )" + saveAs.substr(1);
  const std::string deep = item(
      "D0", R"("AXMenuItemCmdChar": "d")",
      menu(item(
          "D1", R"("AXMenuItemCmdChar": "d")",
          menu(item("D2", R"("AXMenuItemCmdChar": "d")",
                    menu(item("D3", R"("AXMenuItemCmdChar": "d")", menu(charItem("D4", "d")))))))));
  const std::string editor = menuBar(
      barItem(
          "File",
          charItem("Save", "s") + "," + saveAsSingly + "," + charItem("", "S") + "," +
              item("Kill Line", R"("AXMenuItemCmdChar": "K", "AXMenuItemCmdVirtualKey": 40)") +
              "," + item("Go", R"("AXMenuItemCmdVirtualKey": 40, "AXMenuItemCmdModifiers": 8)") +
              "," + item("Both", R"("AXMenuItemCmdChar": "S", "AXMenuItemCmdVirtualKey": 1.0)") +
              "," + item("Odd", R"("AXMenuItemCmdChar": "S", "AXMenuItemCmdModifiers": "x")") +
              "," + charItem("Sharp", "ß") + "," + charItem("Empty", "")) +
      "," + barItem("View", deep));
  // The 2999th item is examined, the 3000th and everything after it are not.
  const std::string huge = menuBar(
      barItem("Items", repeat(2998, charItem("Filler", "X")) + "," + charItem("Last", "Q") + "," +
                           charItem("Beyond", "Q") + "," + repeat(2000, charItem("Filler", "X"))) +
      "," + barItem("More", charItem("Later", "Q")));
  const std::string tail = menuBar(barItem("Edit", charItem("Quit", "q")));
  const std::string many = menuBar(barItem("Marks", repeat(300, charItem("Mark", "M"))));
  const std::string standard = menuBar(kFileMenu);
  return R"({"apps": [)" + app(100, R"("name": "Editor", "bundle": "com.example.editor")", editor) +
         "," + app(200, R"("name": "Huge")", huge) + "," +
         app(300, R"("bundle": "com.example.tail")", tail) + "," +
         app(400, R"("name": "Agent", "policy": "prohibited")", standard) + "," +
         app(401, R"("name": "Panel", "policy": "accessory")", standard) + "," +
         app(402, R"("name": "Parlevox", "bundle": "com.parlevox.app")", standard) + "," +
         app(403, R"("name": "Gone", "terminated": true)", standard) + "," +
         app(404, R"("name": "Self")", standard) + "," + app(405, R"("name": "Parent")", standard) +
         "," + app(500, R"("name": "First")", many) + "," + app(501, R"("name": "Second")", many) +
         "]}";
}

json search(sim::SimDesktop& desktop, MenuKeys keys) {
  return menuShortcuts(desktop.accessibility, desktop.workspace, keys, Deadline(), {404, 405});
}

TEST(MenuShortcuts, MatchesDepthLimitsAndSkippedApplications) {
  auto desktop = testing::loadDesktop(scenario());
  const json found = search(*desktop, {{"S", "D", "SS", "Q"}, {40}});
  const json expected = json::parse(R"([
    {"app": "Editor", "mods": 0, "path": ["File", "Save"], "char": "S"},
    {"app": "Editor", "mods": 1, "path": ["File", "Save As…"], "char": "S"},
    {"app": "Editor", "mods": 8, "path": ["File", "Go"], "key": 40},
    {"app": "Editor", "mods": 0, "path": ["File", "Both"], "char": "S", "key": 1},
    {"app": "Editor", "mods": 0, "path": ["File", "Odd"], "char": "S"},
    {"app": "Editor", "mods": 0, "path": ["File", "Sharp"], "char": "SS"},
    {"app": "Editor", "mods": 0, "path": ["View", "D0"], "char": "D"},
    {"app": "Editor", "mods": 0, "path": ["View", "D0", "D1"], "char": "D"},
    {"app": "Editor", "mods": 0, "path": ["View", "D0", "D1", "D2"], "char": "D"},
    {"app": "Editor", "mods": 0, "path": ["View", "D0", "D1", "D2", "D3"], "char": "D"},
    {"app": "Huge", "mods": 0, "path": ["Items", "Last"], "char": "Q"},
    {"app": "com.example.tail", "mods": 0, "path": ["Edit", "Quit"], "char": "Q"}])");
  EXPECT_EQ(found, expected);

  // Asked by key code only, an item whose character is not asked for does not match.
  EXPECT_EQ(search(*desktop, {{}, {40}}),
            json::parse(R"([{"app": "Editor", "mods": 8, "path": ["File", "Go"], "key": 40}])"));
}

TEST(MenuShortcuts, FirstFourHundredEntriesInApplicationOrder) {
  auto desktop = testing::loadDesktop(scenario());
  const json found = search(*desktop, {{"M"}, {}});
  ASSERT_EQ(found.size(), menuEntryLimit);
  EXPECT_EQ(found[0]["app"], "First");
  EXPECT_EQ(found[299]["app"], "First");
  EXPECT_EQ(found[300]["app"], "Second");
  EXPECT_EQ(found[399], json::parse(R"({"app": "Second", "mods": 0, "path": ["Marks", "Mark"],
                                        "char": "M"})"));
}

TEST(MenuShortcuts, NothingIsReadWithoutAccessibilityOrWithNothingAsked) {
  auto desktop = testing::loadDesktop(scenario());
  EXPECT_TRUE(search(*desktop, {}).empty());
  auto untrusted = testing::loadDesktop(R"({"permissions": {"accessibility": false}, "apps": [)" +
                                        app(1, R"("name": "A")", menuBar(kFileMenu)) + "]}");
  EXPECT_TRUE(search(*untrusted, {{"S"}, {}}).empty());
  EXPECT_EQ(desktop->accessibility.callCounts(), sim::AXCallCounts{});
  EXPECT_EQ(untrusted->accessibility.callCounts(), sim::AXCallCounts{});
}

}  // namespace
}  // namespace parlevox
