// The simulated desktop: every platform service answered from one JSON scenario.
#include "helper/platform/sim/sim_desktop.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>

#include "helper/platform/sim/ax_tree_scenario.h"
#include "helper/platform/sim/demo_pictures.h"
#include "helper/platform/sim/sim_desktop_changes.h"

namespace parlevox::sim {
namespace {

// Line and column (both from 1) of a byte offset, for messages about bad JSON.
std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return {line, column};
}

// Records where and why the parser gave up; builds nothing. The parser reports a number too
// large for a double here too, with its position, which the tree-building parse does not give.
struct ErrorFinder final : nlohmann::json_sax<nlohmann::json> {
  std::optional<std::size_t> offset;
  std::string reason;

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t position, const std::string& lastToken,
                   const nlohmann::json::exception& error) override {
    // A syntax error is reported at the character that broke it; a number too large for a double
    // only once the number has been read, so it is reported at the number's first character.
    std::size_t back = error.id == 406 ? lastToken.size() : 1;
    offset = position >= back ? position - back : 0;
    reason = error.what();
    return false;
  }
};

// The parser's reason without its own prefixes and without the echo of the text read, which may
// hold any bytes at all.
std::string plainReason(std::string what) {
  if (auto at = what.find("] "); what.starts_with("[json.exception") && at != std::string::npos)
    what.erase(0, at + 2);
  if (what.starts_with("parse error")) {
    auto colon = what.find(": ");
    if (colon != std::string::npos) what.erase(0, colon + 2);
  }
  auto echo = what.find("; last read: '");
  if (echo != std::string::npos) {
    auto rest = what.rfind("'; ");
    what = what.substr(0, echo) +
           (rest != std::string::npos && rest > echo ? what.substr(rest + 1) : std::string());
  }
  auto overflow = what.find("number overflow parsing '");
  if (overflow != std::string::npos) what = "number too large";
  return what;
}

}  // namespace

SimDesktop::Loaded SimDesktop::fromJson(const nlohmann::json& scenario,
                                        const PictureSource& pictures) {
  std::unique_ptr<SimDesktop> desktop(new SimDesktop);
  try {
    ScenarioReader root(scenario, "scenario");
    auto record = root.optionalString("record");
    desktop->permissions.load(root);
    desktop->events.load(root);
    desktop->workspace.load(root);
    loadAccessibility(root, desktop->axTree);
    desktop->axTree.setFrontmostSource(
        [workspace = &desktop->workspace] { return workspace->frontmostPid(); });
    desktop->hasVolume = desktop->volume.load(root);
    desktop->screens.load(root);
    desktop->inputSources.load(root);
    desktop->files.load(root);
    desktop->input.load(root, [d = desktop.get()](const ScenarioReader& step) {
      return readDesktopChange(step, {d->axTree, d->workspace, d->events});
    });
    desktop->windowCapture.load(root, pictures ? pictures : picturesInFolder(""));
    desktop->pasteboard.load(root);
    desktop->apps.load(root);
    desktop->hotKeys.load(root);
    // Opened last, so that a scenario that does not fit leaves no file behind.
    if (record && !desktop->recorder.openFile(*record))
      return "cannot write the record file " + *record + ": " + std::strerror(errno);
  } catch (const ScenarioError& e) {
    return std::string(e.what());
  } catch (const nlohmann::json::exception& e) {
    return std::string(e.what());
  }
  return desktop;
}

SimDesktop::Loaded SimDesktop::fromText(std::string_view text, const std::string& name,
                                        const PictureSource& pictures) {
  nlohmann::json scenario = nlohmann::json::parse(text, nullptr, false);
  if (scenario.is_discarded()) {
    ErrorFinder finder;
    nlohmann::json::sax_parse(text, &finder);
    if (!finder.offset) return name + ": invalid JSON";
    auto [line, column] = lineAndColumn(text, *finder.offset);
    return name + ": invalid JSON at line " + std::to_string(line) + ", column " +
           std::to_string(column) + ": " + plainReason(finder.reason);
  }
  auto loaded = fromJson(scenario, pictures);
  if (auto* error = std::get_if<std::string>(&loaded)) return name + ": " + *error;
  return loaded;
}

SimDesktop::Loaded SimDesktop::fromFile(const std::string& path) {
  auto cannotRead = [&path](int error) {
    return "cannot read scenario " + path + ": " + std::strerror(error);
  };
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return cannotRead(errno);
  std::string text;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;  // a directory fails here, with EISDIR
      ::close(fd);
      return cannotRead(error);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  return fromText(text, "scenario " + path, picturesInFolder(folder));
}

std::unique_ptr<SimDesktop> SimDesktop::demo() {
  auto loaded = fromText(demoScenario(), "demo scenario", demoPictures());
  return std::move(std::get<std::unique_ptr<SimDesktop>>(loaded));
}

void SimDesktop::MainLoopStart::mainLoopStarting(platform::MainLoopTimer timer) {
  desktop_.apps.setTimer(timer);
  desktop_.input.mainLoopStarting(std::move(timer));
}

platform::Platform SimDesktop::platform() {
  events.onTapCreated([this] { input.tapCreated(); });
  events.onReceived([this](const platform::InputEvent& event) { apps.received(event); });
  workspace.onActivate([this](std::int32_t pid) { return apps.activate(pid); });
  return {.permissions = &permissions,
          .events = &events,
          .workspace = &workspace,
          .volume = hasVolume ? &volume : nullptr,
          .screens = &screens,
          .inputSources = &inputSources,
          .accessibility = &accessibility,
          .files = &files,
          .windowCapture = &windowCapture,
          .pasteboard = &pasteboard,
          .hotKeys = &hotKeys,
          .symbolicHotKeys = &hotKeys,
          .scriptedInput = &mainLoopStart_};
}

}  // namespace parlevox::sim
