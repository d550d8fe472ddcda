// Copying the selection through the pasteboard: whatever the user's pasteboard held comes back
// byte for byte after the copy.
#include <gtest/gtest.h>

#include <string>

#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using testing::TestHelper;
using Json = nlohmann::json;

// The scenario of an application that copies "copied" 100 ms after Command+C, over `pasteboard`.
std::string scenarioWith(const Json& pasteboard) {
  Json scenario = {{"apps",
                    {{{"pid", 501},
                      {"bundle", "com.example.notes"},
                      {"name", "Notes"},
                      {"reacts", {{"copy", {{"after", 100}, {"text", "copied"}}}}}}}},
                   {"frontmost", 501},
                   {"pasteboard", pasteboard}};
  return scenario.dump();
}

TEST(CopySelection, GivesEveryItemAndTypeBackByteForByte) {
  const Json text = {{"type", "public.utf8-plain-text"}, {"text", "Hello"}};
  const Json rich = {{"type", "public.rtf"}, {"text", "{\\rtf1\\ansi Hello}"}};
  const Json file = {{"type", "public.file-url"}, {"text", "file:///Users/me/report.pdf"}};
  const Json image = {{"type", "public.tiff"}, {"repeat", "MM\x2A"}, {"bytes", 20'000'000}};
  const Json binary = {{"type", "com.example.binary"}, {"hex", "00ff000d0a00"}};
  const Json nul = {{"type", "public.utf8-plain-text"}, {"text", std::string("a\0b", 3)}};
  const Json unreadable = {{"type", "com.example.promised"}, {"unreadable", true}};
  const struct {
    const char* what;
    Json items;
    Json expected;  // what comes back, when it differs from what was there
  } cases[] = {
      {"text and rich text, then a file reference", {{text, rich}, {file}}, nullptr},
      {"an empty pasteboard", Json::array(), nullptr},
      {"binary bytes with NUL", {{binary, nul}}, nullptr},
      {"a 20 MB image", {{text}, {image}}, nullptr},
      {"only an image and a file, no text", {{image, file}}, nullptr},
      {"a type whose data never comes is lost, the rest comes back",
       {{unreadable, text}, {unreadable}},
       {{text}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestHelper t(scenarioWith({{"items", c.items}, {"changeCount", 40}}));
    const auto before = t.desktop->pasteboard.contents();
    const auto reply = t.ask(R"({"cmd":"selection","id":1})");
    EXPECT_EQ(reply.value("text", ""), "copied");
    EXPECT_EQ(reply.value("via", ""), "copy");
    if (c.expected.is_null()) {
      EXPECT_TRUE(t.desktop->pasteboard.contents() == before);
    } else {
      auto expected =
          testing::loadDesktop(scenarioWith({{"items", c.expected}}))->pasteboard.contents();
      EXPECT_TRUE(t.desktop->pasteboard.contents() == expected);
    }
    // The application's copy and the helper's restore: two clears, nothing else.
    EXPECT_EQ(t.desktop->pasteboard.changeCount(), 42);
  }
}

}  // namespace
}  // namespace parlevox
