// frontmost and runningApps on simulated workspaces: the application record and the app filter.
#include <gtest/gtest.h>

#include "helper/core/app_queries.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using testing::TestHelper;
using Json = nlohmann::json;

constexpr const char* kApps = R"({
  "apps": [
    {"pid": 10, "bundle": "com.example.notes", "name": "Notes", "path": "/Applications/Notes.app"},
    {"pid": 11, "bundle": "com.example.agent", "name": "Agent", "path": "/A.app", "policy": "prohibited"},
    {"pid": 12, "bundle": "com.example.menu", "name": "Menu", "path": "/M.app", "policy": "accessory"},
    {"pid": 13, "name": "tool", "path": "/usr/local/tool"},
    {"pid": 14, "bundle": "com.example.gone", "name": "Gone", "path": "/G.app", "terminated": true},
    {"pid": 15, "bundle": "com.example.unpacked"},
    {"pid": 16, "bundle": "com.example.browser", "name": "Browser", "path": "/B.app", "policy": "regular"}
  ],
  "frontmost": 16
})";

TEST(RunningApps, ListsRegularLiveAppsWithABundleInWorkspaceOrder) {
  TestHelper t(kApps);
  EXPECT_EQ(t.run(R"({"cmd":"runningApps","id":3})"),
            (Json{{"ok", true},
                  {"id", 3},
                  {"apps",
                   {{{"pid", 10},
                     {"bundle", "com.example.notes"},
                     {"name", "Notes"},
                     {"path", "/Applications/Notes.app"}},
                    {{"pid", 15}, {"bundle", "com.example.unpacked"}, {"name", ""}, {"path", ""}},
                    {{"pid", 16},
                     {"bundle", "com.example.browser"},
                     {"name", "Browser"},
                     {"path", "/B.app"}}}}}));
}

TEST(RunningApps, AnEmptyWorkspaceAnswersAnEmptyList) {
  TestHelper t;
  EXPECT_EQ(t.run(R"({"cmd":"runningApps"})"), (Json{{"ok", true}, {"apps", Json::array()}}));
}

TEST(Frontmost, AnswersTheFrontAppWithoutItsPath) {
  TestHelper t(kApps);
  EXPECT_EQ(t.run(R"({"cmd":"frontmost","id":1})"),
            (Json{{"ok", true},
                  {"id", 1},
                  {"app", {{"pid", 16}, {"bundle", "com.example.browser"}, {"name", "Browser"}}}}));
}

TEST(Frontmost, MissingBundleAndNameBecomeEmptyStrings) {
  TestHelper t(R"({"apps": [{"pid": 13}], "frontmost": 13})");
  EXPECT_EQ(t.run(R"({"cmd":"frontmost"})"),
            (Json{{"ok", true}, {"app", {{"pid", 13}, {"bundle", ""}, {"name", ""}}}}));
}

TEST(Frontmost, NoAppInFrontAnswersAnEmptyObject) {
  for (const char* scenario :
       {"{}", R"({"apps": [{"pid": 10}]})", R"({"apps": [{"pid": 10}], "frontmost": null})"}) {
    SCOPED_TRACE(scenario);
    TestHelper t(scenario);
    EXPECT_EQ(t.run(R"({"cmd":"frontmost","id":2})"),
              (Json{{"ok", true}, {"id", 2}, {"app", Json::object()}}));
    EXPECT_EQ(frontmostAppInfo(t.helper), Json::object());
  }
}

}  // namespace
}  // namespace parlevox
