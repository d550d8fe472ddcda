// Window screenshot: which window, at what size, its JPEG and its recognised text in reading order.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helper/platform/text_recognition.h"
#include "helper/platform/window_capture.h"

namespace parlevox {

class RunLoop;
namespace platform {
class Permissions;
class ImageEncoder;
}  // namespace platform

/// What one window shot is asked for.
struct WindowShotRequest {
  std::int32_t pid = 0;
  bool image = false;
  bool ocr = true;
  std::int64_t maxSize = 1280;  // the longer side of the capture in pixels
  bool trusted = false;         // accessibility trust, taken when the command arrived
};

/// The title of the process's focused window, "" when it has none or it cannot be read.
using FocusedWindowTitle = std::function<std::string(std::int32_t pid)>;

/// The services a window shot uses. Plain pointers to services that live as long as the
/// process, so a shot carries them off the main thread by value.
struct WindowShotServices {
  platform::Permissions* permissions = nullptr;
  platform::WindowCapture* capture = nullptr;
  platform::TextRecognizer* recognizer = nullptr;  // null: recognition fails with a message
  platform::ImageEncoder* encoder = nullptr;       // null: the JPEG is left out
  /// Asked off the main thread, and only when the trust flag is set.
  FocusedWindowTitle focusedWindowTitle;
};

/// The capture size in pixels.
struct PixelSize {
  std::int64_t width = 0, height = 0;
  bool operator==(const PixelSize&) const = default;
};

/// The window to capture among `windows` (in the system's order): of those owned by `pid`, in
/// layer 0 and both wider than 80 and higher than 60 points, the first whose title equals a
/// non-empty `focusedTitle`, else the one of largest area (the earlier on equal areas).
std::optional<platform::ShareableWindow> chooseWindow(
    const std::vector<platform::ShareableWindow>& windows, std::int32_t pid,
    std::string_view focusedTitle);

/// Whether more than one of `windows` would be a candidate for `pid`, so that the focused
/// window's title can make a difference.
bool severalCandidates(const std::vector<platform::ShareableWindow>& windows, std::int32_t pid);

/// The frame scaled so its longer side is `maxSize` pixels, but by at most 2.0; each side
/// truncated to a whole number.
PixelSize captureSize(const platform::WindowFrame& frame, std::int64_t maxSize);

/// Sorts in reading order, stably: higher boxes (greater min y) first; boxes whose min y is
/// exactly equal from left to right. No tolerance: a slightly lower box on the same visual line
/// comes after.
void sortInReadingOrder(std::vector<platform::TextObservation>& observations);

/// The best reading of each observation in reading order, joined by line feeds; observations
/// without a reading are skipped.
std::string recognisedText(std::vector<platform::TextObservation> observations);

/// The shot itself, after the permission check: lists the windows, chooses one, captures it,
/// encodes and recognises as asked. Blocks; runs off the main thread. Returns the result object.
nlohmann::json takeWindowShot(const WindowShotServices& services, const WindowShotRequest& request);

/// Answers {"ok": false, "error": "no_permission"} at once without screen-recording permission;
/// otherwise takes the shot on the background pool and hands the result to `reply` on the main
/// thread. `reply` is called exactly once.
void windowShot(const WindowShotServices& services, RunLoop& loop, const WindowShotRequest& request,
                std::function<void(nlohmann::json)> reply);

}  // namespace parlevox
