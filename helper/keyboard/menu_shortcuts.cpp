// Menu items of other running applications whose keyboard shortcut uses one of the asked keys,
// found in their menu bars through the accessibility interface.
#include "helper/keyboard/menu_shortcuts.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <nlohmann/json.hpp>
#include <system_error>
#include <thread>

#include "helper/context/ax_read.h"
#include "helper/platform/text.h"

namespace parlevox {
namespace {

using nlohmann::json;
using platform::utf8FromUtf16;

// The integer value of a number, toward zero; nothing for other kinds and for numbers no 64-bit
// integer holds.
std::optional<std::int64_t> integerOf(const std::optional<AXValue>& value) {
  const auto* number = valueAs<double>(value);
  if (!number || !std::isfinite(*number) || std::fabs(*number) >= 9.2e18) return std::nullopt;
  return static_cast<std::int64_t>(*number);
}

// Full Unicode upper case, the same in every locale ("ß" becomes "SS").
std::u16string upperCased(const std::u16string& text) {
  if (text.size() > INT32_MAX / 4) return text;
  std::u16string out(text.size() * 3 + 4, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = u_strToUpper(
      reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
      reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), "", &status);
  if (U_FAILURE(status)) return text;
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// One application's search: its name, what is asked, its deadline and its own counters.
class MenuWalk {
 public:
  MenuWalk(platform::Accessibility& ax, std::string appName, const MenuKeys& keys,
           const Deadline& deadline)
      : ax_(ax), appName_(std::move(appName)), keys_(keys), deadline_(deadline) {}

  // Nothing more is read: the deadline has passed, or the item or entry limit is reached.
  bool ended() const {
    return visited_ >= menuItemLimit || entries_.size() >= menuEntryLimit || deadline_.passed();
  }

  // Several attributes in one call with the per-read timeout. An application that lets the call
  // time out is not asked again attribute by attribute: that would cost one more timeout for
  // each.
  std::vector<std::optional<AXValue>> read(const Element& element,
                                           std::initializer_list<std::string_view> names) {
    ax_.setMessagingTimeout(element, menuReadTimeoutSeconds);
    auto batch = ax_.copyMultipleAttributeValues(element, std::span(names.begin(), names.size()));
    std::vector<std::optional<AXValue>> out;
    out.reserve(names.size());
    if (auto* values = std::get_if<std::vector<AXValue>>(&batch);
        values && values->size() == names.size()) {
      for (auto& value : *values) {
        if (std::holds_alternative<platform::AXErrorValue>(value) ||
            std::holds_alternative<platform::AXNone>(value))
          out.emplace_back();
        else
          out.emplace_back(std::move(value));
      }
      return out;
    }
    const auto* error = std::get_if<platform::AXError>(&batch);
    const bool unanswered = error && *error == platform::kAXErrorCannotComplete;
    for (const auto name : names)
      out.push_back(unanswered || ended() ? std::nullopt : readOne(element, name));
    return out;
  }

  std::optional<AXValue> readOne(const Element& element, std::string_view name) {
    ax_.setMessagingTimeout(element, menuReadTimeoutSeconds);
    return axValue(ax_, element, name);
  }

  // The items of one menu and, four levels deep, their submenus.
  void walk(const Element& element, const std::vector<std::string>& path, int depth) {
    if (ended()) return;
    const auto children = readOne(element, "AXChildren");
    const auto* items = valueAs<std::vector<Element>>(children);
    if (!items) return;
    for (const auto& item : *items) {
      if (++visited_ >= menuItemLimit) return;
      if (ended()) return;
      const auto values = read(item, {"AXTitle", "AXMenuItemCmdChar", "AXMenuItemCmdVirtualKey",
                                      "AXMenuItemCmdModifiers", "AXChildren"});
      const std::string title = utf8FromUtf16(stringOf(values[0]).value_or(u""));
      std::optional<std::string> character;
      if (auto c = stringOf(values[1]); c && !c->empty()) character = utf8FromUtf16(upperCased(*c));
      const auto vkey = integerOf(values[2]);
      // An item with a character that is not asked for does not match, whatever its key code.
      const bool matches = !title.empty() && (character ? keys_.chars.contains(*character)
                                                        : vkey && keys_.codes.contains(*vkey));
      auto itemPath = path;
      itemPath.push_back(title);
      if (matches && entries_.size() < menuEntryLimit) {
        json entry{
            {"app", appName_}, {"mods", integerOf(values[3]).value_or(0)}, {"path", itemPath}};
        if (character) entry["char"] = *character;
        if (vkey) entry["key"] = *vkey;
        entries_.push_back(std::move(entry));
      }
      if (depth == menuDepthLimit) continue;
      if (const auto* submenus = valueAs<std::vector<Element>>(values[4]))
        for (const auto& submenu : *submenus) walk(submenu, itemPath, depth + 1);
    }
  }

  std::vector<json> take() { return std::move(entries_); }

 private:
  platform::Accessibility& ax_;
  std::string appName_;
  const MenuKeys& keys_;
  const Deadline& deadline_;
  int visited_ = 0;
  std::vector<json> entries_;
};

}  // namespace

std::vector<json> menuShortcutsOf(platform::Accessibility& ax, const platform::RunningApp& app,
                                  const MenuKeys& keys, const Deadline& deadline) {
  MenuWalk search(ax, app.localizedName.value_or(app.bundleId.value_or("")), keys, deadline);
  if (search.ended()) return {};
  const auto menuBar = elementOf(search.readOne(ax.application(app.pid), "AXMenuBar"));
  if (!menuBar || search.ended()) return {};
  const auto children = search.readOne(*menuBar, "AXChildren");
  const auto* barItems = valueAs<std::vector<Element>>(children);
  if (!barItems) return {};
  // The first menu-bar item is the system's own menu, the same in every application.
  for (std::size_t i = 1; i < barItems->size() && !search.ended(); ++i) {
    const auto values = search.read((*barItems)[i], {"AXTitle", "AXChildren"});
    const std::vector<std::string> path{utf8FromUtf16(stringOf(values[0]).value_or(u""))};
    if (const auto* menus = valueAs<std::vector<Element>>(values[1]))
      for (const auto& menu : *menus) search.walk(menu, path, 0);
  }
  return search.take();
}

std::vector<platform::RunningApp> menuCandidates(std::vector<platform::RunningApp> running,
                                                 OwnProcesses own) {
  std::erase_if(running, [own](const platform::RunningApp& app) {
    return app.activationPolicy != platform::ActivationPolicy::regular || app.terminated ||
           app.pid == own.self || app.pid == own.parent ||
           app.bundleId.value_or("").starts_with("com.parlevox.");
  });
  return running;
}

std::vector<json> menuShortcuts(platform::Accessibility& ax, platform::Workspace& workspace,
                                const MenuKeys& keys, const Deadline& deadline, OwnProcesses own) {
  if (!ax.isProcessTrusted() || (keys.chars.empty() && keys.codes.empty())) return {};
  const auto candidates = menuCandidates(workspace.runningApplications(), own);
  std::vector<std::vector<json>> slots(candidates.size());
  std::mutex slotsLock;
  std::atomic<std::size_t> next{0};
  // Each worker takes the next application not yet taken until none is left, so an application
  // with a huge menu or one that never answers holds one worker, never the others' turns. The
  // workers mostly wait for other applications rather than compute, so there may be more of
  // them than cores; a fixed number bounds the threads of one command however many
  // applications run.
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < candidates.size();) {
      auto entries = menuShortcutsOf(ax, candidates[i], keys, deadline);
      std::lock_guard hold(slotsLock);
      slots[i] = std::move(entries);
    }
  };
  std::vector<std::jthread> helpers;
  const std::size_t wanted = std::min(candidates.size(), menuWorkers);
  for (std::size_t k = 1; k < wanted; ++k) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no thread to be had: fewer workers share the applications
    }
  }
  work();
  helpers.clear();  // joins
  std::vector<json> all;
  for (auto& slot : slots)
    for (auto& entry : slot) {
      if (all.size() == menuEntryLimit) return all;
      all.push_back(std::move(entry));
    }
  return all;
}

}  // namespace parlevox
