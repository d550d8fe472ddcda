// The X11 tap on a bare X server: a user types through XTest while an application window has the
// focus; grabbed combinations are swallowed or replayed as the callback answers, everything else
// is watched, the helper's own keys come back marked, and a slow callback cannot freeze the
// keyboard.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "helper/platform/key_codes.h"
#include "helper/platform/x11/x11_event_tap.h"
#include "helper/tests/support/xvfb_server.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace parlevox {
namespace {

using platform::InputEvent;

// The main loop of the test: tasks posted from the tap thread, run when the test pumps.
struct MainQueue {
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
  void post(std::function<void()> task) {
    std::lock_guard lock(mutex);
    tasks.push_back(std::move(task));
  }
  void runAll() {
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex);
        if (tasks.empty()) return;
        task = std::move(tasks.front());
        tasks.pop_front();
      }
      task();
    }
  }
};

struct Seen {
  std::uint32_t type;
  std::int64_t code;
  bool ours;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
  return out << "{" << s.type << "," << s.code << (s.ours ? ",ours" : "") << "}";
}

TEST(X11EventTap, SwallowsGrabbedPressesAndWatchesTheRest) {
  testing::XvfbServer server;
  ASSERT_FALSE(server.display().empty());
  MainQueue main;
  auto events = x11::X11EventSystem::open([&](auto task) { main.post(std::move(task)); },
                                          server.display().c_str());
  ASSERT_TRUE(events);

  // The application: a focused window that records each key it receives.
  Display* app = XOpenDisplay(server.display().c_str());
  ASSERT_TRUE(app);
  Window window = XCreateSimpleWindow(app, DefaultRootWindow(app), 0, 0, 100, 100, 0, 0, 0);
  XSelectInput(app, window, KeyPressMask | KeyReleaseMask);
  XMapWindow(app, window);
  XSync(app, False);
  XSetInputFocus(app, window, RevertToParent, CurrentTime);
  XSync(app, False);
  std::vector<std::pair<int, unsigned>> received;
  // The user, typing through XTest as a keyboard would.
  Display* user = XOpenDisplay(server.display().c_str());
  ASSERT_TRUE(user);
  auto type = [&](std::initializer_list<std::pair<unsigned, bool>> keys) {
    for (auto [keycode, down] : keys) {
      XTestFakeKeyEvent(user, keycode, down, CurrentTime);
      XSync(user, False);
    }
  };
  auto pumpUntil = [&](std::size_t appKeys, std::size_t seenCount, const auto& seen) {
    for (int i = 0; i < 300; ++i) {
      main.runAll();
      while (XPending(app)) {
        XEvent e;
        XNextEvent(app, &e);
        if (e.type == KeyPress || e.type == KeyRelease)
          received.emplace_back(e.type, e.xkey.keycode);
      }
      if (received.size() >= appKeys && seen.size() >= seenCount) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };

  // The callback swallows Space with Option held and the whole press of A (which is not
  // grabbed, so that answer cannot be carried out), and B while every key is taken.
  std::vector<Seen> seen;
  ASSERT_TRUE(
      events->createTap(~0ull, [&](void*, const InputEvent& e) -> std::optional<InputEvent> {
        seen.push_back({e.type, e.keyCode, e.userData == platform::syntheticMark});
        if (e.type == platform::kKeyDown || e.type == platform::kKeyUp) {
          if (e.keyCode == platform::kSpaceKeyCode && (e.flags & platform::kOptionFlag)) return {};
          if (e.keyCode == 0 || e.keyCode == 11) return {};
        }
        return e;
      }));
  events->needSwallowing({{{platform::kSpaceKeyCode, platform::kOptionFlag}}, false});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  constexpr unsigned alt = 64, space = 65, a = 38, b = 56, c = 54, d = 40, v = 55, ctrl = 37;
  type({{alt, true},
        {space, true},
        {space, false},
        {alt, false},
        {space, true},
        {space, false},
        {a, true},
        {a, false}});
  pumpUntil(6, 8, seen);
  EXPECT_EQ(received, (std::vector<std::pair<int, unsigned>>{{KeyPress, alt},
                                                             {KeyRelease, alt},
                                                             {KeyPress, space},
                                                             {KeyRelease, space},
                                                             {KeyPress, a},
                                                             {KeyRelease, a}}))
      << "Option+Space never reached the application; plain Space and A did";
  EXPECT_EQ(seen, (std::vector<Seen>{{platform::kFlagsChanged, 58, false},
                                     {platform::kKeyDown, 49, false},
                                     {platform::kKeyUp, 49, false},
                                     {platform::kFlagsChanged, 58, false},
                                     {platform::kKeyDown, 49, false},
                                     {platform::kKeyUp, 49, false},
                                     {platform::kKeyDown, 0, false},
                                     {platform::kKeyUp, 0, false}}));
  EXPECT_EQ(events->missedSwallows(), 2u) << "A was asked to be swallowed but was not grabbed";

  // The helper's own Command+V: Control and V reach the application; the tap sees V, marked,
  // and no modifier event of its own.
  received.clear();
  seen.clear();
  auto press = events->createKeyboardEvent(9, true);
  auto release = events->createKeyboardEvent(9, false);
  ASSERT_TRUE(press && release);
  press->flags = release->flags = platform::kCommandFlag;
  events->post(platform::TapLocation::session, *press);
  events->post(platform::TapLocation::session, *release);
  pumpUntil(4, 2, seen);
  EXPECT_EQ(received, (std::vector<std::pair<int, unsigned>>{
                          {KeyPress, ctrl}, {KeyPress, v}, {KeyRelease, v}, {KeyRelease, ctrl}}));
  EXPECT_EQ(seen, (std::vector<Seen>{{platform::kKeyDown, 9, true}, {platform::kKeyUp, 9, true}}));
  EXPECT_FALSE(events->secureInputEnabled());

  // Capturing all input: B is kept whole, C is replayed to the application, D's answer comes
  // too late, so D goes on and the callback hears that the tap timed out instead.
  received.clear();
  seen.clear();
  events->needSwallowing({{}, true});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  type({{b, true}, {b, false}, {c, true}, {c, false}});
  pumpUntil(2, 4, seen);
  // The main loop is busy past the decision time while D is pressed.
  type({{d, true}, {d, false}});
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  pumpUntil(4, 6, seen);
  EXPECT_EQ(received, (std::vector<std::pair<int, unsigned>>{
                          {KeyPress, c}, {KeyRelease, c}, {KeyPress, d}, {KeyRelease, d}}));
  ASSERT_GE(seen.size(), 6u);
  EXPECT_EQ(std::vector<Seen>(seen.begin(), seen.begin() + 4),
            (std::vector<Seen>{{platform::kKeyDown, 11, false},
                               {platform::kKeyUp, 11, false},
                               {platform::kKeyDown, 8, false},
                               {platform::kKeyUp, 8, false}}));
  EXPECT_NE(std::find(seen.begin(), seen.end(), Seen{platform::kTapDisabledByTimeout, 0, false}),
            seen.end());
  XCloseDisplay(user);
  XCloseDisplay(app);
}

}  // namespace
}  // namespace parlevox
