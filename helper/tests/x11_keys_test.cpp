// Keys on a bare X server: the key-code table against the server's own keymap, the session's
// XKB layouts as input sources (French among them, with a dead key), and XTest posting with the
// flags' modifiers, recognised as the helper's own when it comes back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "helper/keyboard/layouts.h"
#include "helper/platform/key_codes.h"
#include "helper/platform/sim/sim_layouts.h"
#include "helper/platform/text.h"
#include "helper/platform/x11/x11_key_codes.h"
#include "helper/platform/x11/x11_key_poster.h"
#include "helper/platform/x11/x11_session_display.h"
#include "helper/platform/x11/xkb_input_sources.h"
#include "helper/tests/support/xvfb_server.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace parlevox {
namespace {

using platform::InputSource;

TEST(X11Keys, TableAndLayoutsFollowTheSessionKeymap) {
  testing::XvfbServer server;
  ASSERT_FALSE(server.display().empty());
  const std::string setLayouts = "setxkbmap -display " + server.display() + " -layout us,fr";
  ASSERT_EQ(std::system(setLayouts.c_str()), 0);
  auto sources = x11::XkbInputSources::open(server.display().c_str());
  ASSERT_TRUE(sources);

  // Every position maps both ways, and under the US layout each named key prints what the
  // shipped US table prints at that position (the ISO section key has no ANSI counterpart).
  for (std::int64_t code = 0; code < 128; ++code) {
    if (auto keycode = x11::keycodeForVirtualKey(code)) {
      EXPECT_EQ(x11::virtualKeyForKeycode(*keycode), code);
    }
  }
  EXPECT_EQ(x11::keycodeForVirtualKey(platform::kSpaceKeyCode), 65u);
  EXPECT_EQ(x11::keycodeForVirtualKey(58), 64u) << "Left Option is Alt";
  EXPECT_EQ(x11::keycodeForVirtualKey(55), 133u) << "Left Command is the logo key";
  EXPECT_EQ(x11::keycodeForVirtualKey(63), std::nullopt) << "Fn is past the X keycode range";
  const auto* us = sim::shippedLayout("US");
  const auto labels = layoutLabels(sources.get(), InputSource{"xkb:us"});
  for (const auto& key : platform::namedKeys()) {
    if (!key.name.starts_with("Key") || key.name == "KeySection") continue;
    EXPECT_EQ(labels.at(std::string(key.name)),
              platform::utf8FromUtf16(us->base[static_cast<std::size_t>(key.code)].text))
        << key.name;
  }

  EXPECT_EQ(sources->enabledKeyboardSources(), (std::vector<InputSource>{{"xkb:us"}, {"xkb:fr"}}));
  EXPECT_EQ(inputLanguages(sources.get()), (std::vector<std::string>{"en", "fr"}));
  EXPECT_EQ(sources->currentKeyboardLayout(), InputSource{"xkb:us"});
  EXPECT_EQ(lookupVirtualKey(sources.get(), "a"), 0);

  // The user switches to French: the shortcut keys move with the letters.
  Display* user = XOpenDisplay(server.display().c_str());
  ASSERT_TRUE(user);
  XkbLockGroup(user, XkbUseCoreKbd, 1);
  XSync(user, False);
  EXPECT_EQ(sources->currentKeyboardLayout(), InputSource{"xkb:fr"});
  EXPECT_EQ(sources->currentAsciiCapableKeyboardLayout(), InputSource{"xkb:fr"});
  EXPECT_EQ(lookupVirtualKey(sources.get(), "a"), 12) << "A sits where Q is on US keyboards";
  EXPECT_EQ(lookupVirtualKey(sources.get(), "v"), 9);
  const auto french = layoutLabels(sources.get(), InputSource{"xkb:fr"});
  EXPECT_EQ(french.at("KeyQ"), "a");
  EXPECT_EQ(french.at("KeySemicolon"), "m");

  // The circumflex is a dead key: alone it shows itself, before E it makes ê.
  auto layout = sources->keyLayoutData(InputSource{"xkb:fr"});
  ASSERT_TRUE(layout);
  std::uint32_t dead = 0;
  const auto type = sources->keyboardType();
  EXPECT_EQ(sources->translateKey(*layout, 33, platform::kKeyActionDisplay, 0, type, 0, dead, 4),
            u"^");
  EXPECT_EQ(sources->translateKey(*layout, 33, platform::kKeyActionDown, 0, type, 0, dead, 4), u"");
  EXPECT_NE(dead, 0u);
  EXPECT_EQ(sources->translateKey(*layout, 14, platform::kKeyActionDown, 0, type, 0, dead, 4),
            u"ê");
  EXPECT_EQ(dead, 0u);
  EXPECT_EQ(sources->translateKey(*layout, 33, platform::kKeyActionDown, 0, type,
                                  platform::kTranslateNoDeadKeys, dead, 4),
            u"^");
  EXPECT_EQ(sources->translateKey(*layout, 18, platform::kKeyActionDown, platform::kModifierShift,
                                  type, 0, dead, 4),
            u"1");
  EXPECT_EQ(sources->languages(InputSource{"xkb:de"}), std::nullopt) << "not enabled";
  XCloseDisplay(user);
}

TEST(X11Keys, PostedKeysCarryTheirModifiersAndAreRecognisedComingBack) {
  testing::XvfbServer server;
  ASSERT_FALSE(server.display().empty());
  auto poster = x11::X11KeyPoster::open(server.display().c_str());
  ASSERT_TRUE(poster);

  // An application window with the focus records the keys it receives.
  Display* app = XOpenDisplay(server.display().c_str());
  ASSERT_TRUE(app);
  Window window = XCreateSimpleWindow(app, DefaultRootWindow(app), 0, 0, 100, 100, 0, 0, 0);
  XSelectInput(app, window, KeyPressMask | KeyReleaseMask);
  XMapWindow(app, window);
  XSync(app, False);
  XSetInputFocus(app, window, RevertToParent, CurrentTime);
  XSync(app, False);

  ASSERT_TRUE(poster->post(9, true, platform::kCommandFlag));  // Command+V: Control and V
  EXPECT_TRUE(poster->keyIsDown(9));
  EXPECT_TRUE(poster->keyIsDown(59));
  ASSERT_TRUE(poster->post(9, false, platform::kCommandFlag));
  EXPECT_FALSE(poster->keyIsDown(59)) << "the added Control goes with the key";
  ASSERT_TRUE(poster->post(platform::kReturnKeyCode, true, 0));
  ASSERT_TRUE(poster->post(platform::kReturnKeyCode, false, 0));
  EXPECT_FALSE(poster->post(63, true, 0)) << "Fn has no X keycode";

  struct Got {
    int type;
    unsigned keycode, state;
    bool operator==(const Got&) const = default;
  };
  std::vector<Got> got;
  while (got.size() < 6) {
    XEvent e;
    XNextEvent(app, &e);
    if (e.type == KeyPress || e.type == KeyRelease)
      got.push_back({e.type, e.xkey.keycode, e.xkey.state});
  }
  EXPECT_EQ(got, (std::vector<Got>{{KeyPress, 37, 0},
                                   {KeyPress, 55, ControlMask},
                                   {KeyRelease, 55, ControlMask},
                                   {KeyRelease, 37, ControlMask},
                                   {KeyPress, 36, 0},
                                   {KeyRelease, 36, 0}}));

  // Each posted key is recognised once, in either order of arrival; a key never posted is not.
  auto& posted = poster->posted();
  const double now = x11::nowMs();
  EXPECT_TRUE(posted.take(55, true, now));
  EXPECT_FALSE(posted.take(55, true, now)) << "used up";
  EXPECT_TRUE(posted.take(37, false, now));
  EXPECT_TRUE(posted.take(37, true, now));
  EXPECT_FALSE(posted.take(38, true, now));
  EXPECT_FALSE(posted.take(36, true, now + x11::PostedKeys::kExpiryMs + 1)) << "expired";
  XCloseDisplay(app);
}

}  // namespace
}  // namespace parlevox
