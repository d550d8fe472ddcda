// Copying the frontmost application's selection through the general pasteboard with the copy
// shortcut, and giving the user's pasteboard back byte for byte.
#include "helper/output/copy_selection.h"

#include <algorithm>

#include "helper/core/helper.h"
#include "helper/core/poll_until.h"
#include "helper/core/state.h"
#include "helper/keyboard/layouts.h"
#include "helper/output/post_key.h"
#include "helper/output/saved_pasteboard.h"
#include "helper/platform/key_codes.h"
#include "helper/platform/pasteboard.h"

namespace parlevox {
namespace {

void stopWatch(Helper& h) {
  auto& s = h.state.pasteboard;
  if (s.lateCopy && s.lateCopy->timer) h.loop.cancel(*s.lateCopy->timer);
  s.lateCopy.reset();
}

// Whether the late copy may be undone now: the pasteboard changed once since it was saved and
// nobody else can have written it.
bool lateCopyIsOurs(const LateCopyWatch& w, std::int64_t count, const UserPresses& user) {
  if (user != w.presses) return false;
  if (count == w.changeCount) return false;
  return !w.changedTo || count == *w.changedTo;
}

void watchTick(Helper& h) {
  auto& s = h.state.pasteboard;
  auto& w = *s.lateCopy;
  w.timer.reset();
  auto& pasteboard = *h.platform.pasteboard;
  const auto count = pasteboard.changeCount();
  if (count != w.changeCount && !w.changedTo) w.changedTo = count;
  const bool someoneElse =
      h.state.keyboard.userPresses != w.presses || (w.changedTo && count != *w.changedTo);
  if (someoneElse) {
    s.pendingCopies = 0;
    return stopWatch(h);
  }
  if (h.now() >= w.endsAt) {
    if (w.changedTo) restorePasteboard(pasteboard, std::move(w.saved));
    s.pendingCopies = 0;
    return stopWatch(h);
  }
  w.timer = h.loop.after(std::min(kLateCopyPollMs, w.endsAt - h.now()), [&h] { watchTick(h); });
}

void startWatch(Helper& h, SavedPasteboard saved, std::int64_t changeCount, UserPresses presses) {
  stopWatch(h);
  auto& w = h.state.pasteboard.lateCopy.emplace();
  w.saved = std::move(saved);
  w.changeCount = changeCount;
  w.presses = presses;
  w.endsAt = h.now() + kLateCopyGraceMs;
  w.timer = h.loop.after(kLateCopyPollMs, [&h] { watchTick(h); });
}

// Before a new copy: a late copy of the one before that has landed meanwhile is undone now, so
// that the new save takes the user's pasteboard rather than that copy. One that has not landed
// yet stays counted as pending; the new copy's wait and watch look out for it.
void settleWatch(Helper& h) {
  auto& s = h.state.pasteboard;
  if (!s.lateCopy) return;
  auto& pasteboard = *h.platform.pasteboard;
  const auto count = pasteboard.changeCount();
  auto& w = *s.lateCopy;
  if (lateCopyIsOurs(w, count, h.state.keyboard.userPresses)) {
    restorePasteboard(pasteboard, std::move(w.saved));
    s.pendingCopies = std::max(0, s.pendingCopies - 1);
  } else if (count != w.changeCount || h.state.keyboard.userPresses != w.presses) {
    s.pendingCopies = 0;
  }
  stopWatch(h);
}

}  // namespace

void abandonLateCopy(Helper& h) {
  if (!h.state.pasteboard.lateCopy) return;
  h.state.pasteboard.pendingCopies = 0;
  stopWatch(h);
}

void copySelection(Helper& h, std::function<void(std::string text)> done) {
  if (!h.platform.pasteboard) return done("");
  auto& pasteboard = *h.platform.pasteboard;
  settleWatch(h);
  auto saved = savePasteboard(pasteboard);
  const auto count = pasteboard.changeCount();
  const auto presses = h.state.keyboard.userPresses;
  const auto code = lookupVirtualKey(h.platform.inputSources, "c");
  if (!code || !postKey(*h.platform.events, *code, platform::kCommandFlag,
                        platform::TapLocation::session, 8000))
    return done("");
  ++h.state.pasteboard.pendingCopies;
  auto changed = [&pasteboard, count] { return pasteboard.changeCount() != count; };
  pollUntil(
      h.loop, h.now() + kCopyWaitMs, kCopyPollMs, changed,
      [&h, saved = std::move(saved), count, presses, done = std::move(done)](bool changed) mutable {
        auto& s = h.state.pasteboard;
        auto& pasteboard = *h.platform.pasteboard;
        if (!changed) {
          startWatch(h, std::move(saved), count, presses);
          return done("");
        }
        s.pendingCopies = std::max(0, s.pendingCopies - 1);
        std::string text = pasteboard.string().value_or("");
        if (h.state.keyboard.userPresses.shortcuts != presses.shortcuts) {
          // The user pressed a shortcut of their own meanwhile: what is on the pasteboard
          // may be their copy, newer than anything saved, and it stays.
          s.pendingCopies = 0;
        } else if (s.pendingCopies > 0) {
          // An earlier copy has still not landed: give the pasteboard back now, and undo
          // that copy too should it land within the grace period.
          SavedPasteboard again = saved;
          restorePasteboard(pasteboard, std::move(saved));
          startWatch(h, std::move(again), pasteboard.changeCount(), presses);
        } else {
          restorePasteboard(pasteboard, std::move(saved));
        }
        done(std::move(text));
      });
}

}  // namespace parlevox
