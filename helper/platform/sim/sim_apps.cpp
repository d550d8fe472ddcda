// How the simulated applications react to what reaches them: the keys they receive (copy, paste,
// Return, Right Arrow) and requests to come to the front.
#include "helper/platform/sim/sim_apps.h"

#include <algorithm>

namespace parlevox::sim {
namespace {

constexpr std::uint64_t kCommand = 0x100000, kOtherModifiers = 0x20000 | 0x40000 | 0x80000;
constexpr std::int64_t kReturn = 36, kRightArrow = 124;
constexpr double kMaxDelayMs = 24 * 3600 * 1000.0;

// A delay in milliseconds, or "never".
std::optional<double> delayOrNever(const ScenarioReader& reader, const char* key) {
  if (reader.has(key) && reader.json()[key] == "never") return std::nullopt;
  const double ms = reader.number(key, 0);
  if (ms < 0 || ms > kMaxDelayMs) reader.fail(key, "\"never\" or milliseconds from 0 to 86400000");
  return ms;
}

}  // namespace

void SimApps::load(const ScenarioReader& scenario) {
  const auto& apps = scenario.array("apps");
  for (std::size_t i = 0; i < apps.size(); ++i) {
    auto app = scenario.element("apps", i);
    if (!app.has("reacts")) continue;
    auto reacts = app.object("reacts");
    reacts.onlyKeys({"activate", "copy"});
    AppReactions r;
    r.activateAfterMs = delayOrNever(reacts, "activate");
    if (reacts.has("copy") && reacts.json()["copy"] == "never") {
      r.copyAfterMs.reset();
    } else {
      auto copy = reacts.object("copy");
      copy.onlyKeys({"after", "text"});
      r.copyAfterMs = delayOrNever(copy, "after");
      r.copyText = copy.optionalString("text");
    }
    reactions_[static_cast<std::int32_t>(app.integer("pid", 0))] = std::move(r);
  }
}

AppReactions SimApps::reactionsOf(std::int32_t pid) const {
  auto it = reactions_.find(pid);
  return it == reactions_.end() ? AppReactions{} : it->second;
}

void SimApps::later(double delayMs, std::function<void()> task) {
  if (delayMs <= 0)
    task();
  else if (timer_)
    timer_(delayMs, std::move(task));
}

bool SimApps::typesWithCommand(std::int64_t keyCode, char16_t character) {
  if (keyCode < 0 || keyCode > 127) return false;
  // Shortcuts follow the current keyboard, or the ASCII-capable one when it has no layout.
  auto layout = [&]() -> std::optional<platform::KeyLayoutData> {
    for (auto source :
         {inputSources_.currentKeyboardLayout(), inputSources_.currentAsciiCapableKeyboardLayout()})
      if (source)
        if (auto data = inputSources_.keyLayoutData(*source)) return data;
    return std::nullopt;
  }();
  if (!layout) return false;
  std::uint32_t deadKeyState = 0;
  auto text = inputSources_.translateKey(*layout, static_cast<std::uint16_t>(keyCode),
                                         platform::kKeyActionDisplay, platform::kModifierCommand,
                                         inputSources_.keyboardType(), 0, deadKeyState, 4);
  return text && *text == std::u16string(1, character);
}

void SimApps::received(const platform::InputEvent& event) {
  if (event.type != platform::kKeyDown || event.autorepeat) return;
  auto front = workspace_.frontmostApplication();
  if (!front) return;
  const std::int32_t pid = front->pid;
  const bool shortcut = (event.flags & kCommand) && !(event.flags & kOtherModifiers);
  if (event.keyCode == kReturn || event.keyCode == kRightArrow) {
    recorder_.record({{"do", "received"},
                      {"pid", pid},
                      {"key", event.keyCode == kReturn ? "Return" : "RightArrow"}});
  } else if (shortcut && typesWithCommand(event.keyCode, u'v')) {
    recorder_.record({{"do", "received"},
                      {"pid", pid},
                      {"key", "paste"},
                      {"pasteboard", pasteboard_.describe()}});
  } else if (shortcut && typesWithCommand(event.keyCode, u'c')) {
    recorder_.record({{"do", "received"}, {"pid", pid}, {"key", "copy"}});
    if (auto after = reactionsOf(pid).copyAfterMs) later(*after, [this, pid] { copy(pid); });
  }
}

void SimApps::copy(std::int32_t pid) {
  auto text = reactionsOf(pid).copyText;
  if (!text && selection_) text = selection_(pid);
  // Without a selection there is nothing to copy, and the pasteboard stays as it was.
  if (!text) return;
  pasteboard_.copyBy(pid, {{{std::string(platform::kPlainTextType), *text}}});
}

bool SimApps::activate(std::int32_t pid) {
  const auto apps = workspace_.runningApplications();
  auto app = std::find_if(apps.begin(), apps.end(), [&](const auto& a) { return a.pid == pid; });
  const bool running = app != apps.end() && !app->terminated;
  recorder_.record({{"do", "activate"}, {"pid", pid}, {"ok", running}});
  if (!running) return false;
  if (auto after = reactionsOf(pid).activateAfterMs)
    later(*after, [this, pid] {
      workspace_.setFrontmost(pid);
      recorder_.record({{"do", "frontmost"}, {"pid", pid}});
    });
  return true;
}

}  // namespace parlevox::sim
