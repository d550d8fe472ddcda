// Synthetic keys on the X session through XTest, with the modifiers the flags ask for, and the
// record of what was posted so that the helper's own tap recognises its keys as they come back.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace parlevox::x11 {

/// Keys posted and not yet seen coming back. X events carry no field for a sender's mark: a key
/// event from the XTest device that matches the oldest outstanding post of the same key and
/// direction is the helper's own. Entries expire, so a post that never comes back (the server
/// dropped it) cannot mark a later user key.
class PostedKeys {
 public:
  static constexpr double kExpiryMs = 2000;
  void note(unsigned keycode, bool down, double at);
  /// Whether an event of the XTest device is an echo of a post; the match is used up.
  bool take(unsigned keycode, bool down, double at);

 private:
  struct Posted {
    unsigned keycode;
    bool down;
    double at;
  };
  std::mutex mutex_;
  std::deque<Posted> posted_;
};

class X11KeyPoster {
 public:
  /// Connects to the display; nothing when it cannot be opened or lacks XTest.
  static std::unique_ptr<X11KeyPoster> open(const char* display = nullptr);
  ~X11KeyPoster();

  /// Presses or releases the key at virtual code `code`. Modifiers the flags ask for that are not
  /// down are pressed around the key (Command as Control, the shortcut modifier of X desktops)
  /// and released with it. False when the key has no X keycode.
  bool post(std::int64_t code, bool down, std::uint64_t flags);
  /// Whether the server's keyboard state has the key down now.
  bool keyIsDown(std::int64_t code);
  PostedKeys& posted() { return posted_; }

  struct State;

 private:
  explicit X11KeyPoster(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
  PostedKeys posted_;
};

}  // namespace parlevox::x11
