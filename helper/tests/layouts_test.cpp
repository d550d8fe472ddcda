// Keyboard layouts over the simulated input sources: labels, Command-key lookup, languages, and
// the translation call with its dead keys.
#include "helper/keyboard/layouts.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "helper/platform/sim/sim_desktop.h"

namespace parlevox {
namespace {

using nlohmann::json;

class Layouts : public ::testing::Test {
 protected:
  // A desktop whose enabled keyboards are `enabled`, `current` in use.
  platform::InputSources* with(json enabled, json current, json ascii = nullptr) {
    json keyboards{{"enabled", std::move(enabled)}, {"current", std::move(current)}};
    if (!ascii.is_null()) keyboards["asciiCapable"] = std::move(ascii);
    auto loaded = sim::SimDesktop::fromJson(json{{"keyboardLayouts", keyboards}});
    if (auto* error = std::get_if<std::string>(&loaded)) ADD_FAILURE() << *error;
    return on(std::move(std::get<std::unique_ptr<sim::SimDesktop>>(loaded)));
  }
  platform::InputSources* on(std::unique_ptr<sim::SimDesktop> desktop) {
    desktop_ = std::move(desktop);
    return desktop_->platform().inputSources;
  }
  platform::InputSources* withLayout(const std::string& layout) {
    return with(json::array({{{"id", "k"}, {"layout", layout}, {"languages", {"xx"}}}}), "k");
  }

  std::unique_ptr<sim::SimDesktop> desktop_;
};

TEST_F(Layouts, LabelsOfEachShippedLayout) {
  struct Case {
    const char* layout;
    std::map<std::string, std::string> some;
  };
  const Case cases[] = {
      {"US",
       {{"KeyA", "a"},
        {"KeyQuote", "'"},
        {"KeyGrave", "`"},
        {"KeySection", "§"},
        {"Key1", "1"},
        {"KeySlash", "/"}}},
      {"French",
       {{"KeyQ", "a"},
        {"KeyA", "q"},
        {"KeyW", "z"},
        {"KeyZ", "w"},
        {"KeySemicolon", "m"},
        {"Key1", "&"},
        {"Key2", "é"},
        {"KeyBracketLeft", "^"},
        {"KeyM", ","}}},
      {"German",
       {{"KeyY", "z"},
        {"KeyZ", "y"},
        {"KeyMinus", "ß"},
        {"KeyEqual", "´"},
        {"KeySection", "^"},
        {"KeyBracketLeft", "ü"},
        {"KeyQuote", "ä"}}},
      {"Russian",
       {{"KeyQ", "й"},
        {"KeyF", "а"},
        {"KeyGrave", "ё"},
        {"KeyPeriod", "ю"},
        {"KeySlash", "."},
        {"KeyBracketRight", "ъ"}}},
  };
  for (const auto& c : cases) {
    auto* h = withLayout(c.layout);
    auto labels = layoutLabels(h, platform::InputSource{"k"});
    // Every position key prints something on these layouts; Space, Escape and Return are no
    // position keys.
    EXPECT_EQ(labels.size(), 48u) << c.layout;
    EXPECT_FALSE(labels.contains("Space")) << c.layout;
    EXPECT_FALSE(labels.contains("Return")) << c.layout;
    for (const auto& [key, label] : c.some) EXPECT_EQ(labels[key], label) << c.layout << " " << key;
  }
}

TEST_F(Layouts, NoLabelsWithoutLayoutData) {
  auto* h = with(json::array({{{"id", "ime"}, {"languages", {"ja"}}}}), "ime");
  EXPECT_TRUE(layoutLabels(h, platform::InputSource{"ime"}).empty());
  EXPECT_TRUE(layoutLabels(h, std::nullopt).empty());
  EXPECT_TRUE(layoutLabels(h, platform::InputSource{"unknown"}).empty());
}

TEST_F(Layouts, CommandKeyLookupTakesTheLowestCode) {
  auto* us = withLayout("US");
  EXPECT_EQ(lookupVirtualKey(us, "v"), 9);
  EXPECT_EQ(lookupVirtualKey(us, "a"), 0);
  // The top-row 1 (18) and the keypad 1 (83) both type "1": the lower code wins.
  EXPECT_EQ(lookupVirtualKey(us, "1"), 18);
  EXPECT_EQ(lookupVirtualKey(us, "é"), std::nullopt);
  EXPECT_EQ(lookupVirtualKey(us, "V"), std::nullopt);

  auto* french = withLayout("French");
  EXPECT_EQ(lookupVirtualKey(french, "a"), 12);
  EXPECT_EQ(lookupVirtualKey(french, "q"), 0);
  EXPECT_EQ(lookupVirtualKey(french, "1"), 18);  // Command gives digits on the top row
  EXPECT_EQ(lookupVirtualKey(french, "&"), std::nullopt);

  auto* german = withLayout("German");
  EXPECT_EQ(lookupVirtualKey(german, "z"), 16);
  EXPECT_EQ(lookupVirtualKey(german, "y"), 6);

  // With Command the Russian keys type Latin letters.
  auto* russian = withLayout("Russian");
  EXPECT_EQ(lookupVirtualKey(russian, "v"), 9);
  EXPECT_EQ(lookupVirtualKey(russian, "c"), 8);
  EXPECT_EQ(lookupVirtualKey(russian, "м"), std::nullopt);
}

TEST_F(Layouts, LookupFallsBackToTheAsciiCapableLayout) {
  json enabled = json::array({{{"id", "ime"}, {"languages", {"ja"}}},
                              {{"id", "fr"}, {"layout", "French"}, {"languages", {"fr"}}}});
  EXPECT_EQ(lookupVirtualKey(with(enabled, "ime", "fr"), "a"), 12);
  EXPECT_EQ(lookupVirtualKey(with(enabled, "ime"), "a"), std::nullopt);
  EXPECT_EQ(lookupVirtualKey(with(enabled, nullptr), "a"), std::nullopt);
}

TEST_F(Layouts, InputLanguagesOfSelectableKeyboardsWithoutDuplicates) {
  json enabled = json::array({
      {{"id", "us"}, {"layout", "US"}, {"languages", {"en", "fr"}}},
      {{"id", "de"}, {"layout", "German"}, {"languages", {"de"}}, {"selectCapable", false}},
      {{"id", "gb"}, {"layout", "US"}, {"languages", {"en"}}},
      {{"id", "ru"}, {"layout", "Russian"}, {"languages", {"ru", "en"}}},
      {{"id", "odd"}, {"layout", "US"}, {"languages", {"it"}}, {"selectCapable", "yes"}},
      {{"id", "none"}, {"layout", "US"}},
      {{"id", "empty"}, {"layout", "US"}, {"languages", json::array()}},
      {{"id", "palette"}, {"category", "palette"}, {"languages", {"zz"}}},
      {{"id", "ime"}, {"languages", {"ja"}}},
  });
  EXPECT_EQ(inputLanguages(with(enabled, "us")), (std::vector<std::string>{"en", "ru", "ja"}));
}

TEST_F(Layouts, InputLanguagesEmptyWhenTheListFails) {
  auto loaded = sim::SimDesktop::fromJson(json{{"keyboardLayouts", {{"listFails", true}}}});
  EXPECT_TRUE(inputLanguages(on(std::move(std::get<0>(loaded)))).empty());
}

TEST_F(Layouts, ADesktopWithoutLayoutsHasOneUsKeyboard) {
  auto* h =
      on(std::get<std::unique_ptr<sim::SimDesktop>>(sim::SimDesktop::fromJson(json::object())));
  EXPECT_EQ(inputLanguages(h), std::vector<std::string>{"en"});
  EXPECT_EQ(lookupVirtualKey(h, "v"), 9);
}

TEST_F(Layouts, TheDemoDesktopListsEachLanguageOnce) {
  auto* h = on(sim::SimDesktop::demo());
  EXPECT_EQ(inputLanguages(h), (std::vector<std::string>{"en", "fr", "ru"}));
}

TEST_F(Layouts, ScenarioNamesAnUnknownLayout) {
  auto loaded = sim::SimDesktop::fromJson(
      json{{"keyboardLayouts", {{"enabled", {{{"id", "x"}, {"layout", "Klingon"}}}}}}});
  ASSERT_TRUE(std::holds_alternative<std::string>(loaded));
  EXPECT_NE(std::get<std::string>(loaded).find("scenario.keyboardLayouts.enabled[0].layout"),
            std::string::npos);
}

// The simulated translation call: dead keys compose on key-down, display shows the key cap, and
// output longer than the buffer fails.
TEST_F(Layouts, TranslationComposesDeadKeys) {
  withLayout("French");
  auto& sources = desktop_->inputSources;
  auto layout = *sources.keyLayoutData({"k"});
  auto type = [&](std::uint16_t code, std::uint32_t& state, platform::KeyAction action,
                  std::uint32_t modifiers = 0, std::size_t max = 4) {
    return sources.translateKey(layout, code, action, modifiers, sources.keyboardType(), 0, state,
                                max);
  };
  std::uint32_t state = 0;
  EXPECT_EQ(type(33, state, platform::kKeyActionDown), u"");  // ^ waits
  EXPECT_NE(state, 0u);
  EXPECT_EQ(type(14, state, platform::kKeyActionDown), u"ê");
  EXPECT_EQ(state, 0u);
  type(33, state, platform::kKeyActionDown);
  EXPECT_EQ(type(49, state, platform::kKeyActionDown), u"^");
  type(33, state, platform::kKeyActionDown, platform::kModifierShift);  // ¨
  EXPECT_EQ(type(16, state, platform::kKeyActionDown), u"ÿ");
  type(33, state, platform::kKeyActionDown);
  EXPECT_EQ(type(7, state, platform::kKeyActionDown), u"^x");
  type(33, state, platform::kKeyActionDown);
  EXPECT_EQ(type(7, state, platform::kKeyActionDown, 0, 1), std::nullopt);

  state = 0;
  EXPECT_EQ(type(33, state, platform::kKeyActionDisplay), u"^");
  EXPECT_EQ(state, 0u);
  EXPECT_EQ(type(12, state, platform::kKeyActionDisplay, platform::kModifierShift), u"A");
  EXPECT_EQ(type(120, state, platform::kKeyActionDisplay), u"\x10");
  EXPECT_EQ(type(127, state, platform::kKeyActionDisplay), u"");
}

}  // namespace
}  // namespace parlevox
