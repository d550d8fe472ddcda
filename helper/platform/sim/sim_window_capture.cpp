// Simulated window capture: the scenario's shareable windows and their pictures.
#include "helper/platform/sim/sim_window_capture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "helper/platform/sim/window_picture.h"

namespace parlevox::sim {
namespace {

constexpr std::int64_t kMaxPid = 2147483647;

platform::WindowFrame frameAt(const ScenarioReader& window) {
  auto r = window.object("frame");
  r.onlyKeys({"x", "y", "width", "height"});
  for (const char* part : {"x", "y", "width", "height"}) r.require(part);
  platform::WindowFrame frame{r.number("x", 0), r.number("y", 0), r.number("width", 0),
                              r.number("height", 0)};
  if (frame.width < 0) r.fail("width", "0 or more");
  if (frame.height < 0) r.fail("height", "0 or more");
  return frame;
}

constexpr std::size_t kMaxPictureBytes = 64 << 20;

// A regular file of bounded size: a FIFO or a device named as a picture must not stall or
// swamp the helper while it loads.
std::variant<std::vector<std::uint8_t>, std::string> readFile(const std::string& path) {
  auto cannot = [&path](int error) { return "cannot read " + path + ": " + std::strerror(error); };
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return cannot(errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<std::uint64_t>(info.st_size) > kMaxPictureBytes) {
    ::close(fd);
    return "cannot read " + path + ": not a regular file of at most 64 MiB";
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      return cannot(error);
    }
    if (n == 0 || bytes.size() + static_cast<std::size_t>(n) > kMaxPictureBytes) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  ::close(fd);
  return bytes;
}

}  // namespace

PictureSource picturesInFolder(std::string folder) {
  return [folder = std::move(folder)](const std::string& name) {
    if (name.starts_with('/') || folder.empty()) return readFile(name);
    return readFile(folder.ends_with('/') ? folder + name : folder + "/" + name);
  };
}

SimWindowCapture::SimWindowCapture(Recorder& recorder) : recorder_(recorder) {
  quietPictureLibrary();
}

void SimWindowCapture::load(const ScenarioReader& scenario, const PictureSource& pictures) {
  windowsError_ = scenario.optionalString("windowsError");
  const auto& windows = scenario.array("windows");
  for (std::size_t i = 0; i < windows.size(); ++i) {
    auto w = scenario.element("windows", i);
    w.onlyKeys({"pid", "layer", "frame", "title", "onScreen", "picture", "captureError"});
    w.require("frame");
    Window window;
    window.shared.windowId = static_cast<std::uint32_t>(i + 1);
    if (w.has("pid"))
      window.shared.owningPid = static_cast<std::int32_t>(w.integer("pid", 0, 1, kMaxPid));
    window.shared.layer = w.integer("layer", 0, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
    window.shared.frame = frameAt(w);
    window.shared.title = w.optionalString("title");
    window.onScreen = w.boolean("onScreen", true);
    window.captureError = w.optionalString("captureError");
    if (auto name = w.optionalString("picture")) {
      auto read = pictures(*name);
      if (auto* error = std::get_if<std::string>(&read))
        throw ScenarioError(w.place() + ".picture: " + *error);
      auto bytes = std::get<std::vector<std::uint8_t>>(std::move(read));
      if (auto problem = pictureProblem(bytes))
        throw ScenarioError(w.place() + ".picture: " + *name + " is " + *problem);
      window.picture = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    }
    windows_.push_back(std::move(window));
  }
}

SimWindowCapture::Windows SimWindowCapture::shareableWindows() {
  if (windowsError_) return *windowsError_;
  std::vector<platform::ShareableWindow> shared;
  for (const auto& w : windows_)
    if (w.onScreen) shared.push_back(w.shared);
  return shared;
}

SimWindowCapture::Captured SimWindowCapture::captureWindow(std::uint32_t windowId,
                                                           std::int64_t width, std::int64_t height,
                                                           bool showsCursor) {
  recorder_.record({{"do", "captureWindow"},
                    {"window", windowId},
                    {"width", width},
                    {"height", height},
                    {"cursor", showsCursor}});
  if (windowId == 0 || windowId > windows_.size())
    return std::string("The window is no longer available.");
  const auto& window = windows_[windowId - 1];
  if (window.captureError) return *window.captureError;
  if (width < 1 || height < 1)
    return "The capture size " + std::to_string(width) + " × " + std::to_string(height) +
           " has no pixels.";
  if (width > kMaxSide || height > kMaxSide)
    return "The capture size " + std::to_string(width) + " × " + std::to_string(height) +
           " exceeds " + std::to_string(kMaxSide) + " pixels on a side.";
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  if (!window.picture) return blankPicture(w, h);
  auto scaled = scaledPicture(*window.picture, w, h);
  if (auto* error = std::get_if<std::string>(&scaled)) return *error;
  return std::get<platform::Image>(std::move(scaled));
}

}  // namespace parlevox::sim
