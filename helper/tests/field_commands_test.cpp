// "focusedField", "focusedFrame" and "keyLabels" through the dispatcher on simulated desktops:
// which elements count as a field, the size test, and what the replies hold.
#include <gtest/gtest.h>

#include <string>

#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using nlohmann::json;
using testing::TestHelper;

constexpr const char* kDesktop = R"({
  "frontmost": 10,
  "apps": [
    {"pid": 10, "bundle": "com.example.notes", "name": "Notes", "ui": {"windows": [
      {"id": "win", "role": "AXWindow", "frame": [0, 22, 800, 600], "children": [
        {"id": "exact", "role": "AXTextField", "frame": [100, 200, 20, 10]},
        {"id": "narrow", "role": "AXTextField", "frame": [100, 200, 20, 11]},
        {"id": "low", "role": "AXTextField", "frame": [100, 200, 21, 10]},
        {"id": "fits", "role": "AXTextField", "frame": [100, 200, 21, 11], "value": "abc",
         "selection": [1, 0]},
        {"id": "combo", "role": "AXComboBox", "frame": [10.5, 20.25, 300, 24]},
        {"id": "button", "role": "AXButton", "frame": [10, 10, 100, 30]},
        {"id": "dot", "role": "AXButton", "frame": [5, 5, 1, 1]},
        {"id": "flat", "role": "AXButton", "frame": [5, 5, 10, 0]},
        {"id": "pin", "role": "AXTextField", "subrole": "AXSecureTextField", "frame": [0, 0, 200, 30]},
        {"id": "floating", "role": "AXTextArea"}]}],
      "focused": "fits"}},
    {"pid": 11, "ui": {"windows": [
      {"id": "bare", "role": "AXTextArea", "frame": [0, 0, 300, 100]}], "focused": "bare"}}
  ]})";

// Sends the command with a fresh id and answers its reply without the id.
json ask(TestHelper& t, json command) {
  static std::int64_t id = 0;
  command["id"] = ++id;
  auto reply = t.ask(command.dump());
  reply.erase("id");
  return reply;
}

TEST(FocusedField, TextFieldsStrictlyLargerThanTwentyByTen) {
  TestHelper t(kDesktop);
  const json refused{{"ok", false}};
  const json fits = json::parse(R"({"ok": true, "x": 100, "y": 200, "w": 21, "h": 11,
    "pid": 10, "bundle": "com.example.notes", "name": "Notes", "caretX": 108, "caretY": 200,
    "caretH": 16, "win": {"x": 0, "y": 22, "w": 800, "h": 600}})");
  json frameOfFits = fits;
  for (const char* key : {"pid", "bundle", "name"}) frameOfFits.erase(key);
  struct Row {
    const char* focus;
    json field, frame;
  };
  const Row rows[] = {
      {"exact", refused, json::parse(R"({"ok": true, "x": 100, "y": 200, "w": 20,
         "h": 10, "win": {"x": 0, "y": 22, "w": 800, "h": 600}})")},
      {"narrow", refused, nullptr},
      {"low", refused, nullptr},
      {"fits", fits, frameOfFits},
      {"combo", json::parse(R"({"ok": true, "x": 10.5, "y": 20.25, "w": 300, "h": 24,
         "pid": 10, "bundle": "com.example.notes", "name": "Notes",
         "win": {"x": 0, "y": 22, "w": 800, "h": 600}})"),
       nullptr},
      // Any element has a frame, but only the text roles are fields.
      {"button", refused, json::parse(R"({"ok": true, "x": 10, "y": 10, "w": 100,
         "h": 30, "win": {"x": 0, "y": 22, "w": 800, "h": 600}})")},
      {"dot", refused, json::parse(R"({"ok": true, "x": 5, "y": 5, "w": 1, "h": 1,
         "win": {"x": 0, "y": 22, "w": 800, "h": 600}})")},
      {"flat", refused, refused},
      {"pin", refused, refused},
      {"floating", refused, refused},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.focus);
    t.desktop->axTree.focus(*t.desktop->axTree.find(row.focus));
    EXPECT_EQ(ask(t, {{"cmd", "focusedField"}}), row.field);
    if (!row.frame.is_null()) {
      EXPECT_EQ(ask(t, {{"cmd", "focusedFrame"}}), row.frame);
    }
  }

  // The fingerprint only when asked for.
  t.desktop->axTree.focus(*t.desktop->axTree.find("fits"));
  EXPECT_EQ(ask(t, {{"cmd", "focusedField"}, {"print", true}})["print"]["role"], "AXTextField");
  // Another application's focused element by pid: no bundle or name, no window.
  EXPECT_EQ(ask(t, {{"cmd", "focusedFrame"}, {"pid", 11}}),
            json::parse(R"({"ok": true, "x": 0, "y": 0, "w": 300, "h": 100})"));
  EXPECT_EQ(ask(t, {{"cmd", "focusedFrame"}, {"pid", 4294967307}}), refused);
  t.desktop->workspace.setFrontmost(11);
  EXPECT_EQ(ask(t, {{"cmd", "focusedField"}}),
            json::parse(R"({"ok": true, "x": 0, "y": 0, "w": 300, "h": 100, "pid": 11,
              "bundle": "", "name": ""})"));
}

TEST(FocusedField, WithoutAccessibilityBothAnswerAPlainRefusal) {
  std::string scenario = kDesktop;
  scenario.insert(1, R"("permissions": {"accessibility": false},)");
  TestHelper t(scenario);
  EXPECT_EQ(ask(t, {{"cmd", "focusedField"}}), (json{{"ok", false}}));
  EXPECT_EQ(ask(t, {{"cmd", "focusedFrame"}}), (json{{"ok", false}}));
}

TEST(KeyLabels, EnabledKeyboardLayoutsOnlyAndTheAsciiCapableOne) {
  TestHelper t(R"({"keyboardLayouts": {
    "enabled": [
      {"id": "us", "name": "U.S.", "layout": "US"},
      {"id": "pinyin", "name": "Pinyin", "languages": ["zh"]},
      {"id": "fr", "name": "French", "layout": "French"},
      {"id": "palette", "name": "Emoji", "category": "palette", "layout": "US"},
      {"id": "mode", "name": "Kana", "type": "inputMode", "layout": "US"},
      {"id": "ru", "layout": "Russian"}],
    "current": "pinyin", "asciiCapable": "fr"}})");
  const json reply = t.run(R"({"cmd": "keyLabels", "id": 4})");
  ASSERT_EQ(reply["layouts"].size(), 3u);
  const std::pair<const char*, const char*> expected[] = {
      {"U.S.", "q"}, {"French", "a"}, {"", "й"}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(reply["layouts"][i]["name"], expected[i].first);
    EXPECT_EQ(reply["layouts"][i]["labels"]["KeyQ"], expected[i].second);
  }
  EXPECT_EQ(reply["ascii"], reply["layouts"][1]["labels"]);
  EXPECT_EQ(reply["ok"], true);

  // A failed list leaves the ASCII-capable labels; no such layout leaves them empty.
  TestHelper failing(R"({"keyboardLayouts": {"enabled": [{"id": "us", "layout": "US"}],
    "asciiCapable": "us", "listFails": true}})");
  const json partial = failing.run(R"({"cmd": "keyLabels"})");
  EXPECT_EQ(partial["layouts"], json::array());
  EXPECT_EQ(partial["ascii"]["KeyQ"], "q");
  TestHelper none(R"({"keyboardLayouts": {"enabled": []}})");
  EXPECT_EQ(none.run(R"({"cmd": "keyLabels"})"),
            json::parse(R"({"ok": true, "ascii": {}, "layouts": []})"));
}

}  // namespace
}  // namespace parlevox
