// Finding a browser window's page address through its accessibility tree.
#include "helper/context/browser_page.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include "helper/context/ax_read.h"
#include "helper/context/page_address.h"
#include "helper/platform/text.h"

namespace parlevox {

using platform::utf8FromUtf16;
namespace {

bool isWebArea(const std::optional<AXValue>& role) {
  const auto* name = valueAs<std::u16string>(role);
  return name && *name == u"AXWebArea";
}

// The page of an address text, when it is a web address.
std::optional<PageResult> pageAt(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  auto address = pageAddress(*text);
  if (!address) return std::nullopt;
  return PageResult{std::move(address), true, wholeAddress(*text)};
}

}  // namespace

PageResult browserPage(platform::Accessibility& ax, const Element& window,
                       const Deadline& deadline) {
  if (const auto document = stringOf(axValue(ax, window, "AXDocument")))
    if (auto page = pageAt(utf8FromUtf16(*document))) return *page;

  std::deque<Element> queue{window};
  bool webAreaSeen = false;
  for (int taken = 0; taken < pageSearchElements && !queue.empty(); ++taken) {
    if (deadline.passed()) break;
    const Element element = std::move(queue.front());
    queue.pop_front();
    const auto values = axValues(ax, element, {"AXRole", "AXURL", "AXChildren"});
    if (isWebArea(values[0])) {
      if (auto page = pageAt(addressText(values[1]))) return *page;
      webAreaSeen = true;
    }
    if (const auto* children = valueAs<std::vector<Element>>(values[2])) {
      // Elements queued beyond what is still to be taken would never be reached.
      const auto room = std::max<std::ptrdiff_t>(
          pageSearchElements - taken - 1 - static_cast<std::ptrdiff_t>(queue.size()), 0);
      const auto count =
          std::min({children->size(), pageSearchChildren, static_cast<std::size_t>(room)});
      queue.insert(queue.end(), children->begin(), children->begin() + count);
    }
  }
  return {std::nullopt, webAreaSeen, std::nullopt};
}

Pause threadSleep() {
  return
      [](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); };
}

PageResult browserPage(platform::Accessibility& ax, std::int32_t pid, const Pause& pause,
                       const Deadline& deadline) {
  const Element app = ax.application(pid);
  ax.setMessagingTimeout(app, pageMessagingTimeoutSeconds);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0) {
      if (deadline.passed()) break;
      pause(pageRetryPauseSeconds);
    }
    // The focused and the main window are usually one window: search it once per attempt.
    std::optional<std::pair<Element, PageResult>> searched;
    auto pageOf = [&](const Element& window) {
      if (!searched || !(searched->first == window))
        searched.emplace(window, browserPage(ax, window, deadline));
      return searched->second;
    };
    if (const auto focused = elementOf(axValue(ax, app, "AXFocusedWindow"))) {
      auto result = pageOf(*focused);
      if (result.address) return result;
      if (result.page) {
        if (const auto main = elementOf(axValue(ax, app, "AXMainWindow"))) {
          auto mainResult = pageOf(*main);
          if (mainResult.address) return mainResult;
        }
        return {std::nullopt, true, std::nullopt};
      }
    }
    if (const auto main = elementOf(axValue(ax, app, "AXMainWindow"))) {
      auto result = pageOf(*main);
      if (result.address) return result;
      if (result.page) return {std::nullopt, true, std::nullopt};
    }
  }
  return {};
}

}  // namespace parlevox
