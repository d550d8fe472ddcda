// The web page a browser window shows, found through its accessibility tree: the window's
// document, or the first web area that reports a web address.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "helper/context/deadline.h"
#include "helper/platform/accessibility.h"

namespace parlevox {

struct PageResult {
  std::optional<std::string> address;  // host and path, `pageAddress`
  bool page = false;                   // a web page was seen, with or without an address
  std::optional<std::string> full;     // the whole address without credentials
  bool operator==(const PageResult&) const = default;
};

/// The most elements the breadth-first search takes, and the children it takes of each.
inline constexpr int pageSearchElements = 600;
inline constexpr std::size_t pageSearchChildren = 40;
/// Messaging timeout on the application while its page is looked for, and the pause before the
/// second attempt.
inline constexpr double pageMessagingTimeoutSeconds = 0.3;
inline constexpr double pageRetryPauseSeconds = 0.15;

/// The page of one window: its "AXDocument" when that is a web address, else the first web
/// area found breadth first (at most `pageSearchElements` elements, the first
/// `pageSearchChildren` children of each) whose "AXURL" is one. Nothing is read once `deadline`
/// has passed.
PageResult browserPage(platform::Accessibility& ax, const platform::Element& window,
                       const Deadline& deadline = {});

/// Blocks the calling thread for the given seconds.
using Pause = std::function<void(double seconds)>;
Pause threadSleep();

/// The page of the application's focused window, else of its main window, with one more
/// attempt after `pause` when the first finds nothing. A window already searched in an attempt
/// is not searched again in it.
PageResult browserPage(platform::Accessibility& ax, std::int32_t pid, const Pause& pause,
                       const Deadline& deadline = {});

}  // namespace parlevox
