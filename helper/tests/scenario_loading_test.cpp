// Loading scenarios: the message for text that is not JSON or does not fit, and the demo desktop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using sim::SimDesktop;
using testing::TestHelper;
using Json = nlohmann::json;

// The error of a scenario that must not load; empty when it loads.
std::string errorOf(std::string_view text) {
  auto loaded = SimDesktop::fromText(text, "scenario s.json");
  auto* error = std::get_if<std::string>(&loaded);
  return error ? *error : std::string();
}

TEST(ScenarioJson, NamesLineAndColumnOfTheFault) {
  EXPECT_EQ(errorOf("{\n  \"apps\": [\n    {\"pid\": 1,}\n  ]\n}\n"),
            "scenario s.json: invalid JSON at line 3, column 15: syntax error while parsing "
            "object key - unexpected '}'; expected string literal");
  EXPECT_EQ(errorOf("{\"a\": 1}\n{"),
            "scenario s.json: invalid JSON at line 2, column 1: syntax error while parsing value "
            "- unexpected '{'; expected end of input");
  EXPECT_EQ(errorOf(""),
            "scenario s.json: invalid JSON at line 1, column 1: syntax error while parsing value "
            "- unexpected end of input; expected '[', '{', or a literal");
}

TEST(ScenarioJson, LeavesTheTextReadOutOfTheMessage) {
  // The bytes read are not echoed back: they may be anything, including invalid UTF-8.
  EXPECT_EQ(errorOf("{\"name\": \"\xff\"}"),
            "scenario s.json: invalid JSON at line 1, column 11: syntax error while parsing value "
            "- invalid string: ill-formed UTF-8 byte");
  EXPECT_EQ(errorOf("{\"a\": 1}\n\n  x"),
            "scenario s.json: invalid JSON at line 3, column 3: syntax error while parsing value "
            "- invalid literal; expected end of input");
}

TEST(ScenarioJson, ANumberTooLargeIsAnErrorAtTheNumber) {
  EXPECT_EQ(errorOf("{\n \"screens\": [{\"frame\": {\"x\": -1e999}}]}"),
            "scenario s.json: invalid JSON at line 2, column 30: number too large");
}

TEST(ScenarioFit, ValuesOfTheWrongTypeAreNamedByPlace) {
  const std::pair<const char*, const char*> cases[] = {
      {"[]", "scenario must be an object"},
      {R"({"apps": {}})", "scenario.apps must be an array"},
      {R"({"apps": [5]})", "scenario.apps[0] must be an object"},
      {R"({"apps": [{"pid": "7"}]})", "scenario.apps[0].pid must be a whole number"},
      {R"({"apps": [{"pid": 7.5}]})", "scenario.apps[0].pid must be a whole number"},
      {R"({"apps": [{"name": "x"}]})", "scenario.apps[0].pid must be given"},
      {R"({"apps": [{"pid": 1, "bundle": 3}]})", "scenario.apps[0].bundle must be a string"},
      {R"({"apps": [{"pid": 1, "name": false}]})", "scenario.apps[0].name must be a string"},
      {R"({"apps": [{"pid": 1, "path": []}]})", "scenario.apps[0].path must be a string"},
      {R"({"apps": [{"pid": 1, "terminated": 1}]})",
       "scenario.apps[0].terminated must be true or false"},
      {R"({"apps": [{"pid": 1, "policy": "background"}]})",
       R"(scenario.apps[0].policy must be "regular", "accessory" or "prohibited")"},
      {R"({"frontmost": "1"})", "scenario.frontmost must be a whole number"},
      {R"({"screens": {}})", "scenario.screens must be an array"},
      {R"({"screens": [[0, 0, 10, 10]]})", "scenario.screens[0] must be an object"},
      {R"({"screens": [{"frame": [0, 0, 10, 10]}]})",
       "scenario.screens[0].frame must be an object"},
      {R"({"screens": [{"frame": {"x": 0, "y": 0, "width": "10", "height": 10}}]})",
       "scenario.screens[0].frame.width must be a number"},
      {R"({"screens": [{"frame": {"x": 0, "y": 0, "width": 10, "height": 10}, "safeAreaTop": true}]})",
       "scenario.screens[0].safeAreaTop must be a number"},
      {R"({"screens": [{"frame": {"x": 0, "y": 0, "width": 10, "height": 10},
           "auxiliaryTopRightArea": {"x": 0, "y": 0, "width": 1}}]})",
       "scenario.screens[0].auxiliaryTopRightArea.height must be given"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(errorOf(text), std::string("scenario s.json: ") + message);
  }
}

TEST(ScenarioFit, ValuesThatCannotDescribeADesktopAreRefused) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"apps": [{"pid": 0}]})",
       "scenario.apps[0].pid must be a whole number from 1 to 2147483647"},
      {R"({"apps": [{"pid": 4294967297}]})",
       "scenario.apps[0].pid must be a whole number from 1 to 2147483647"},
      {R"({"apps": [{"pid": 18446744073709551615}]})",
       "scenario.apps[0].pid must be a whole number"},
      {R"({"apps": [{"pid": 3}, {"pid": 3}]})",
       "scenario.apps[1].pid must be unique among the apps"},
      {R"({"apps": [{"pid": 3}], "frontmost": 4})",
       "scenario.frontmost must be the pid of one of the apps"},
      {R"({"screens": [{}]})", "scenario.screens[0].frame must be given"},
      {R"({"screens": [{"frame": {"x": 0, "y": 0, "width": 10, "height": -1}}]})",
       "scenario.screens[0].frame.height must be 0 or more"},
      {R"({"screens": [{"frame": {"x": 0, "y": 0, "width": 10, "height": 10}, "safeAreaTop": -2}]})",
       "scenario.screens[0].safeAreaTop must be 0 or more"},
      {R"({"pasteboard": {"items": [{"type": "public.utf8-plain-text", "text": "a"}]}})",
       "scenario.pasteboard.items[0] must be an array of types"},
      {R"({"pasteboard": {"items": [[{"type": "t", "text": "a", "hex": "00"}]]}})",
       R"(scenario.pasteboard.items[0][0].text must be given, or else exactly one of "hex", "repeat", "file", "unreadable")"},
      {R"({"pasteboard": {"items": [[{"type": "t"}]]}})",
       R"(scenario.pasteboard.items[0][0].text must be given, or else exactly one of "hex", "repeat", "file", "unreadable")"},
      {R"({"pasteboard": {"items": [[{"text": "a"}]]}})",
       "scenario.pasteboard.items[0][0].type must be given"},
      {R"({"pasteboard": {"items": [[{"type": "t", "hex": "0g"}]]}})",
       "scenario.pasteboard.items[0][0].hex must be hexadecimal digits"},
      {R"({"pasteboard": {"items": [[], [{"type": "t", "hex": "abc"}]]}})",
       "scenario.pasteboard.items[1][0].hex must be an even number of hexadecimal digits"},
      {R"({"pasteboard": {"items": [[{"type": "t", "repeat": "AB", "bytes": 268435457}]]}})",
       "scenario.pasteboard.items[0][0].bytes must be a whole number from 0 to 268435456"},
      {R"({"pasteboard": {"items": [[{"type": "t", "repeat": "", "bytes": 4}]]}})",
       "scenario.pasteboard.items[0][0].repeat must be a string that is not empty"},
      {R"({"pasteboard": {"items": [[{"type": "t", "text": "a", "bytes": 4}]]}})",
       R"(scenario.pasteboard.items[0][0].bytes must be given only with "repeat")"},
      {R"({"pasteboard": {"items": [[{"type": "t", "file": "/"}]]}})",
       "scenario.pasteboard.items[0][0].file must name a regular file of at most 268435456 bytes"},
      {R"({"pasteboard": {"items": [[{"type": "t", "file": "/nonexistent/x.png"}]]}})",
       "scenario.pasteboard.items[0][0].file: cannot read /nonexistent/x.png: No such file or "
       "directory"},
      {R"({"pasteboard": {"changeCount": -1}})",
       "scenario.pasteboard.changeCount must be a whole number from 0 to 2147483647"},
      {R"({"apps": [{"pid": 1, "reacts": {"activate": -5}}]})",
       R"(scenario.apps[0].reacts.activate must be "never" or milliseconds from 0 to 86400000)"},
      {R"({"apps": [{"pid": 1, "reacts": {"copy": {"after": "later"}}}]})",
       "scenario.apps[0].reacts.copy.after must be a number"},
      {R"({"apps": [{"pid": 1, "reacts": {"copy": {"text": 5}}}]})",
       "scenario.apps[0].reacts.copy.text must be a string"},
      {R"({"hotKeys": {"held": [{"code": 128}]}})",
       "scenario.hotKeys.held[0].code must be a whole number from 0 to 127"},
      {R"({"hotKeys": {"held": [{"mods": 256}]}})", "scenario.hotKeys.held[0].code must be given"},
      {R"({"hotKeys": {"failing": [{"code": 1, "status": 0}]}})",
       "scenario.hotKeys.failing[0].status must be a non-zero status"},
      {R"({"keyboardLayouts": {"enabled": [{"id": "k", "type": "palette"}]}})",
       R"(scenario.keyboardLayouts.enabled[0].type must be one of "keyboardLayout", "inputMethod", "inputMode")"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(errorOf(text), std::string("scenario s.json: ") + message);
  }
}

TEST(ScenarioFit, MisspeltKeysInRecordsAreRefused) {
  EXPECT_EQ(errorOf(R"({"apps": [{"pid": 1, "bundleId": "com.example.x"}]})"),
            R"(scenario s.json: scenario.apps[0] has an unknown key "bundleId")");
  EXPECT_EQ(errorOf(R"({"screens": [{"frame": {"x": 0, "y": 0, "width": 1, "height": 1},
                                      "safeAreaInsets": {"top": 32}}]})"),
            R"(scenario s.json: scenario.screens[0] has an unknown key "safeAreaInsets")");
  EXPECT_EQ(errorOf(R"({"screens": [{"frame": {"x": 0, "y": 0, "w": 1, "h": 1}}]})"),
            R"(scenario s.json: scenario.screens[0].frame has an unknown key "h")");
  EXPECT_EQ(errorOf(R"({"apps": [{"pid": 1, "reacts": {"paste": 10}}]})"),
            R"(scenario s.json: scenario.apps[0].reacts has an unknown key "paste")");
  EXPECT_EQ(errorOf(R"({"pasteboard": {"items": [[{"type": "t", "data": "x"}]]}})"),
            R"(scenario s.json: scenario.pasteboard.items[0][0] has an unknown key "data")");
  EXPECT_EQ(errorOf(R"({"hotKeys": {"held": [{"code": 1, "status": -50}]}})"),
            R"(scenario s.json: scenario.hotKeys.held[0] has an unknown key "status")");
}

TEST(ScenarioFit, AScenarioThatDoesNotFitLeavesNoRecordFile) {
  auto dir = std::filesystem::temp_directory_path() / ("scenario_test." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto record = (dir / "record.jsonl").string();
  EXPECT_NE(errorOf(R"({"record": ")" + record + R"(", "apps": [{"pid": -1}]})"), "");
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_EQ(errorOf(R"({"record": ")" + record + R"("})"), "");
  EXPECT_TRUE(std::filesystem::exists(record));
  std::filesystem::remove_all(dir);
}

TEST(ScenarioFile, UnreadableFilesAreNamedWithTheReason) {
  auto missing = SimDesktop::fromFile("/nonexistent/scenario.json");
  EXPECT_EQ(std::get<std::string>(missing),
            "cannot read scenario /nonexistent/scenario.json: No such file or directory");
  auto directory = SimDesktop::fromFile("/");
  EXPECT_EQ(std::get<std::string>(directory), "cannot read scenario /: Is a directory");
}

TEST(DemoScenario, ShowsEveryKindOfAppAndScreen) {
  TestHelper t(SimDesktop::demo());
  auto apps = t.desktop->workspace.runningApplications();
  auto has = [&](auto predicate) { return std::any_of(apps.begin(), apps.end(), predicate); };
  using platform::ActivationPolicy;
  EXPECT_TRUE(has([](auto& a) { return a.activationPolicy == ActivationPolicy::prohibited; }));
  EXPECT_TRUE(has([](auto& a) { return !a.bundleId; }));
  EXPECT_TRUE(has([](auto& a) { return a.bundleId && !a.bundlePath; }));
  EXPECT_FALSE(t.run(R"({"cmd":"frontmost"})")["app"].empty());

  auto screens = t.run(R"({"cmd":"screens"})")["screens"];
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_TRUE(screens[0].contains("notch"));
  EXPECT_LT(screens[1]["y"], 0);
  EXPECT_FALSE(screens[1].contains("notch"));

  // Notes' text area has the focus, its caret after "Call Anna", as the scenario docs tell.
  auto& ax = t.desktop->accessibility;
  const auto field = ax.element("notes.text");
  auto focused = ax.copyAttributeValue(ax.systemWide(), "AXFocusedUIElement");
  ASSERT_TRUE(focused.ok());
  EXPECT_EQ(std::get<platform::Element>(focused.value), field);
  EXPECT_EQ(ax.copyAttributeValue(field, "AXSelectedTextRange").value,
            platform::AXValue(platform::AXRange{27, 0}));
  EXPECT_EQ(
      ax.copyParameterizedAttributeValue(field, "AXStringForRange", platform::AXRange{18, 9}).value,
      platform::AXValue(u"Call Anna"));
}

}  // namespace
}  // namespace parlevox
