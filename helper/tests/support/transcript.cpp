// Keyboard transcripts: input events and time advances replayed in virtual time against the
// simulated desktop, checked against the events the helper emits and what the application gets.
//
// One directive per line; blank lines and lines starting with # are skipped.
//   scenario <json>     the desktop (first directive only; the demo desktop otherwise)
//   command <json>      runs a command whose reply must be {"ok":true}; the reply is not logged
//   ask <json>          queues a command as if read from stdin and runs what can run; its reply
//                       is logged like an event, now or once a wait is over
//   press <control> [unseen] [marked] [watched] [at X,Y]   key down, modifier down, or mouse
//                       button down; unseen: the tap never sees it; marked: it carries the
//                       helper's own mark; watched: it reached the application before the tap
//   release <control> [unseen] [marked] [watched] [at X,Y]
//   repeat <key>        an auto-repeat key down
//   tapOff timeout|user the system disables the tap
//   tick                one housekeeping tick
//   secure on|off       secure keyboard entry from now on
//   front <pid>|none    brings an application to the front
//   layout <id>         makes an enabled keyboard the current one
//   play                starts the scenario's timed input script now (its steps fire as the
//                       virtual clock passes their times)
//   copy <pid> <text>   the application copies the text to the pasteboard now (the main
//                       application before a paste, or the user in another application)
//   wait <ms>           advances the virtual clock (it starts at 1000), firing due timers
//   at <ms>             advances the virtual clock to this time
//   hide <words>        from now on, record entries starting with these words are not checked
//   out <json>          the next emitted line; "ts" is compared only when given
//   app <entry>         the next entry of the desktop's record, as rendered below
#include "helper/tests/support/transcript.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "helper/app/dispatch.h"
#include "helper/app/housekeeping.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/event_tap.h"
#include "helper/platform/key_codes.h"
#include "helper/platform/sim/sim_desktop.h"
#include "helper/tests/support/virtual_run_loop.h"

namespace parlevox::testing {
namespace {

std::string number(double value) {
  if (std::trunc(value) == value && std::fabs(value) < 1e15)
    return std::to_string(static_cast<std::int64_t>(value));
  std::ostringstream out;
  out << value;
  return out.str();
}

std::string keyText(std::int64_t code) {
  if (auto name = sim::simKeyName(code)) return *name;
  return std::to_string(code);
}

std::string buttonText(std::int64_t button) {
  static const char* names[] = {"MouseLeft", "MouseRight", "MouseMiddle", "MouseButton4",
                                "MouseButton5"};
  if (button >= 0 && button < 5) return names[button];
  return "Mouse" + std::to_string(button);
}

// An event of the record: "<type> <key> [repeat]" or "<type> <button> <x>,<y>".
std::string eventText(const nlohmann::json& e) {
  std::string text = e.value("type", "?");
  if (e.contains("button"))
    return text + " " + buttonText(e["button"].get<std::int64_t>()) + " " +
           number(e["x"].get<double>()) + "," + number(e["y"].get<double>());
  text += " " + keyText(e.value("code", std::int64_t{-1}));
  if (e.value("repeat", false)) text += " repeat";
  return text;
}

// Who cleared or wrote the pasteboard: "helper" or an application's pid.
std::string byText(const nlohmann::json& by) {
  return by.is_string() ? by.get<std::string>() : by.dump();
}

// Pasteboard items: " [type="text" type=<size>B:<crc32>] […]", one bracket per item.
std::string itemsText(const nlohmann::json& items) {
  std::string text;
  for (const auto& item : items) {
    text += " [";
    for (std::size_t i = 0; i < item.size(); ++i) {
      const auto& data = item[i];
      text += (i ? " " : "") + data.value("type", "?") + "=";
      if (data.value("unreadable", false))
        text += "unreadable";
      else if (data.contains("text"))
        text += data["text"].dump();
      else
        text += std::to_string(data.value("size", 0)) + "B:" + data.value("crc32", "");
    }
    text += "]";
  }
  return text;
}

std::string renderEntry(const nlohmann::json& entry) {
  const std::string what = entry.value("do", "");
  if (what == "receive" || what == "swallowed") return what + " " + eventText(entry);
  if (what == "post") {
    std::string text = "post " + entry.value("at", "?") + " " + eventText(entry);
    if (auto flags = entry.value("flags", std::uint64_t{0})) {
      std::ostringstream hex;
      hex << " flags=0x" << std::hex << flags;
      text += hex.str();
    }
    if (entry.value("mark", std::int64_t{0}) == platform::syntheticMark) text += " mark";
    if (entry.value("swallowed", false)) text += " swallowed";
    return text;
  }
  if (what == "enableTap") return "enableTap";
  if (what == "createTap") return entry.value("ok", false) ? "createTap ok" : "createTap failed";
  if (what == "pasteboardClear") return "pasteboardClear " + byText(entry["by"]);
  if (what == "pasteboardWrite")
    return "pasteboardWrite " + byText(entry["by"]) + itemsText(entry["items"]);
  if (what == "received") {
    std::string text =
        "received " + std::to_string(entry.value("pid", 0)) + " " + entry.value("key", "?");
    if (entry.contains("pasteboard")) text += itemsText(entry["pasteboard"]);
    return text;
  }
  if (what == "activate")
    return "activate " + std::to_string(entry.value("pid", 0)) +
           (entry.value("ok", false) ? "" : " failed");
  if (what == "frontmost") return "frontmost " + std::to_string(entry.value("pid", 0));
  if (what == "axSetAttribute") {
    const auto& value = entry.contains("value") ? entry["value"] : nlohmann::json();
    std::string text = "axSetAttribute " + std::to_string(entry.value("pid", 0)) + " ";
    if (entry.contains("element")) text += entry.value("element", "") + ".";
    return text + entry.value("attribute", "") + "=" + value.dump() +
           " timeout=" + number(entry.value("timeout", 0.0));
  }
  return entry.dump();
}

struct Expectation {
  int line;
  std::string text;
};

class Run {
 public:
  std::string execute(const std::string& path) {
    std::ifstream in(path);
    if (!in) return "cannot read " + path;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      lineNumber_ = number;
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      auto space = line.find(' ');
      std::string verb = line.substr(0, space);
      std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
      if (verb == "out" || verb == "app") {
        expected_.push_back({number, verb + " " + rest});
        continue;
      }
      if (auto error = check(); !error.empty()) return error;
      if (auto error = act(verb, rest); !error.empty())
        return path + ":" + std::to_string(number) + ": " + error;
    }
    if (!desktop_) start(nullptr);
    lineNumber_ = number + 1;
    auto error = check();
    setLineSink(nullptr);
    return error;
  }

  ~Run() { setLineSink(nullptr); }

 private:
  std::string start(const nlohmann::json* scenario) {
    if (scenario) {
      auto loaded = sim::SimDesktop::fromJson(*scenario);
      if (auto* error = std::get_if<std::string>(&loaded)) return "scenario: " + *error;
      desktop_ = std::move(std::get<std::unique_ptr<sim::SimDesktop>>(loaded));
    } else {
      desktop_ = sim::SimDesktop::demo();
    }
    helper_.reset(new Helper{
        .state = {}, .platform = desktop_->platform(), .loop = loop_, .exit = [this](int status) {
          log_.push_back("exit " + std::to_string(status));
        }});
    desktop_->recorder.setClock([this] { return loop_.now(); });
    installTap(*helper_);
    // The applications' delayed reactions run on the virtual clock; the scenario's own timed
    // input is not played (transcripts press keys themselves).
    desktop_->apps.setTimer([this](double delayMs, std::function<void()> task) {
      loop_.after(delayMs, std::move(task));
    });
    setLineSink([this](std::string_view line) {
      std::string text(line.substr(0, line.size() - 1));
      if (replies_)
        replies_->push_back(std::move(text));
      else
        log_.push_back("out " + text);
    });
    desktop_->recorder.setListener([this](const nlohmann::json& entry) {
      auto text = renderEntry(entry);
      for (const auto& prefix : hidden_)
        if (text.starts_with(prefix)) return;
      log_.push_back("app " + text);
    });
    return "";
  }

  std::string act(const std::string& verb, const std::string& rest) {
    if (verb == "scenario") {
      if (desktop_) return "scenario must come first";
      auto scenario = nlohmann::json::parse(rest, nullptr, false);
      if (scenario.is_discarded()) return "scenario is not JSON";
      return start(&scenario);
    }
    if (!desktop_) start(nullptr);
    std::istringstream words(rest);
    if (verb == "command" || verb == "ask") {
      auto command = decodeCommand(rest);
      if (!command) return "not a command: " + rest;
      std::vector<std::string> replies;
      if (verb == "command") replies_ = &replies;
      helper_->commands.add([this, command = *command] { handleCommand(*helper_, command); });
      loop_.drain();
      replies_ = nullptr;
      if (verb == "command" && (replies.size() != 1 ||
                                nlohmann::json::parse(replies[0]) != nlohmann::json{{"ok", true}}))
        return "command did not answer {\"ok\":true}: " +
               (replies.empty() ? std::string("no reply") : replies[0]);
      return "";
    }
    if (verb == "press" || verb == "release" || verb == "repeat") {
      std::string name, word;
      words >> name;
      auto control = sim::controlNamed(name);
      if (!control) return "unknown key or button " + name;
      bool unseen = false, watched = false;
      std::int64_t mark = 0;
      while (words >> word) {
        if (word == "unseen") {
          unseen = true;
        } else if (word == "marked") {
          mark = platform::syntheticMark;
        } else if (word == "watched") {
          watched = true;
        } else if (word == "at") {
          double x = 0, y = 0;
          char comma = 0;
          if (!(words >> x >> comma >> y) || comma != ',') return "expected at X,Y";
          desktop_->input.moveTo(x, y);
        } else {
          return "unexpected " + word;
        }
      }
      desktop_->events.watchOnly(watched);
      if (verb == "press") desktop_->input.press(*control, unseen, mark);
      if (verb == "release") desktop_->input.release(*control, unseen, mark);
      if (verb == "repeat") desktop_->input.repeat(*control);
      desktop_->events.watchOnly(false);
      loop_.drain();
      return "";
    }
    if (verb == "tapOff") {
      if (rest != "timeout" && rest != "user") return "tapOff takes timeout or user";
      desktop_->events.disableTap(rest == "timeout");
      return "";
    }
    if (verb == "tick") {
      housekeepingTick(*helper_);
      loop_.drain();
      return "";
    }
    if (verb == "hide") {
      if (rest.empty()) return "hide takes the first words of record entries";
      hidden_.push_back(rest);
      return "";
    }
    if (verb == "secure") {
      if (rest != "on" && rest != "off") return "secure takes on or off";
      desktop_->events.setSecureInput(rest == "on");
      return "";
    }
    if (verb == "front") {
      if (rest == "none")
        desktop_->workspace.setFrontmost(std::nullopt);
      else
        desktop_->workspace.setFrontmost(std::stoi(rest));
      return "";
    }
    if (verb == "play") {
      desktop_->input.mainLoopStarting([this](double delayMs, std::function<void()> task) {
        loop_.after(delayMs, std::move(task));
      });
      return "";
    }
    if (verb == "copy") {
      std::int32_t pid = 0;
      if (!(words >> pid)) return "copy takes a pid and the text";
      std::string text;
      std::getline(words >> std::ws, text);
      desktop_->pasteboard.copyBy(pid, {{{std::string(platform::kPlainTextType), text}}});
      loop_.drain();
      return "";
    }
    if (verb == "layout") {
      desktop_->inputSources.select(rest);
      return "";
    }
    if (verb == "wait" || verb == "at") {
      double ms = 0;
      if (!(words >> ms)) return verb + " takes milliseconds";
      if (verb == "wait")
        loop_.advance(ms);
      else if (ms < loop_.now())
        return "time " + number(ms) + " is already past (now " + number(loop_.now()) + ")";
      else
        loop_.advanceTo(ms);
      return "";
    }
    return "unknown directive " + verb;
  }

  static bool matches(const std::string& expected, const std::string& actual) {
    if (expected == actual) return true;
    if (!expected.starts_with("out ") || !actual.starts_with("out ")) return false;
    auto want = nlohmann::json::parse(expected.substr(4), nullptr, false);
    auto got = nlohmann::json::parse(actual.substr(4), nullptr, false);
    if (want.is_discarded() || got.is_discarded()) return false;
    if (want.is_object() && got.is_object() && !want.contains("ts")) got.erase("ts");
    return want == got;
  }

  // Compares what happened so far with what the transcript expected so far.
  std::string check() {
    for (; checked_ < std::max(log_.size(), expected_.size()); ++checked_) {
      if (checked_ >= expected_.size())
        return "before line " + std::to_string(lineNumber_) + ": unexpected " + log_[checked_] +
               tail();
      const auto& want = expected_[checked_];
      if (checked_ >= log_.size())
        return "line " + std::to_string(want.line) + ": expected " + want.text +
               "\n  but nothing more happened" + tail();
      if (!matches(want.text, log_[checked_]))
        return "line " + std::to_string(want.line) + ": expected " + want.text + "\n  but got  " +
               log_[checked_] + tail();
    }
    return "";
  }

  std::string tail() const {
    std::string text = "\n  everything that happened:";
    for (const auto& entry : log_) text += "\n    " + entry;
    return text;
  }

  VirtualRunLoop loop_;
  std::unique_ptr<sim::SimDesktop> desktop_;
  std::unique_ptr<Helper> helper_;
  std::vector<std::string> log_;
  std::vector<Expectation> expected_;
  std::size_t checked_ = 0;
  std::vector<std::string>* replies_ = nullptr;
  std::vector<std::string> hidden_;
  int lineNumber_ = 0;
};

}  // namespace

std::string runTranscript(const std::string& path) {
  Run run;
  return run.execute(path);
}

}  // namespace parlevox::testing
