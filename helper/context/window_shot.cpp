// Window screenshot: which window, at what size, its JPEG and its recognised text in reading order.
#include "helper/context/window_shot.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <nlohmann/json.hpp>

#include "helper/context/base64.h"
#include "helper/core/run_loop.h"
#include "helper/platform/image_encoder.h"
#include "helper/platform/permissions.h"

namespace parlevox {
namespace {

using nlohmann::json;
using platform::ShareableWindow;

// Ordinary windows big enough to hold content; menus, panels, overlays and slivers are not.
bool isCandidate(const ShareableWindow& w, std::int32_t pid) {
  return w.owningPid && *w.owningPid == pid && w.layer == 0 && w.frame.width > 80 &&
         w.frame.height > 60;
}

// A truncated side as a whole number; values no capture can have saturate rather than overflow.
std::int64_t truncatedSide(double side) {
  if (std::isnan(side)) return 0;
  constexpr double limit = 9.0e18;
  return static_cast<std::int64_t>(std::clamp(std::trunc(side), -limit, limit));
}

json failure(std::string error) {
  return {{"ok", false}, {"error", std::move(error)}};
}

constexpr double kJpegCompressionFactor = 0.8;

}  // namespace

std::optional<ShareableWindow> chooseWindow(const std::vector<ShareableWindow>& windows,
                                            std::int32_t pid, std::string_view focusedTitle) {
  const ShareableWindow* largest = nullptr;
  double largestArea = 0;
  for (const auto& w : windows) {
    if (!isCandidate(w, pid)) continue;
    if (!focusedTitle.empty() && w.title && *w.title == focusedTitle) return w;
    const double area = w.frame.width * w.frame.height;
    if (!largest || area > largestArea) {
      largest = &w;
      largestArea = area;
    }
  }
  if (!largest) return std::nullopt;
  return *largest;
}

bool severalCandidates(const std::vector<ShareableWindow>& windows, std::int32_t pid) {
  return std::count_if(windows.begin(), windows.end(),
                       [pid](const auto& w) { return isCandidate(w, pid); }) > 1;
}

PixelSize captureSize(const platform::WindowFrame& frame, std::int64_t maxSize) {
  const double longer = std::max(frame.width, frame.height);
  const double scale = std::min(static_cast<double>(maxSize) / longer, 2.0);
  return {truncatedSide(frame.width * scale), truncatedSide(frame.height * scale)};
}

void sortInReadingOrder(std::vector<platform::TextObservation>& observations) {
  std::stable_sort(observations.begin(), observations.end(), [](const auto& a, const auto& b) {
    const auto &boxA = a.boundingBox, &boxB = b.boundingBox;
    if (boxA.minY() == boxB.minY()) return boxA.minX() < boxB.minX();
    return boxA.minY() > boxB.minY();
  });
}

std::string recognisedText(std::vector<platform::TextObservation> observations) {
  sortInReadingOrder(observations);
  std::string text;
  bool first = true;
  for (const auto& o : observations) {
    if (o.candidates.empty()) continue;
    if (!first) text += '\n';
    text += o.candidates.front();
    first = false;
  }
  return text;
}

json takeWindowShot(const WindowShotServices& services, const WindowShotRequest& request) {
  auto listed = services.capture->shareableWindows();
  if (auto* error = std::get_if<std::string>(&listed)) return failure(*error);
  const auto& windows = std::get<std::vector<ShareableWindow>>(listed);

  // The focused window's title only matters when it can pick among several candidates; reading
  // it asks the application, which may be slow.
  std::string focusedTitle;
  if (request.trusted && services.focusedWindowTitle && severalCandidates(windows, request.pid))
    focusedTitle = services.focusedWindowTitle(request.pid);
  auto window = chooseWindow(windows, request.pid, focusedTitle);
  if (!window) return failure("no_window");

  const auto size = captureSize(window->frame, request.maxSize);
  auto captured = services.capture->captureWindow(window->windowId, size.width, size.height,
                                                  /*showsCursor=*/false);
  if (auto* error = std::get_if<std::string>(&captured)) return failure(*error);
  const auto& image = std::get<platform::Image>(captured);

  json result = {{"ok", true},
                 {"width", image.width},
                 {"height", image.height},
                 {"title", window->title.value_or("")}};
  if (request.image && services.encoder) {
    if (auto jpeg = services.encoder->jpeg(image, kJpegCompressionFactor))
      result["jpeg"] = base64(*jpeg);
  }
  if (request.ocr) {
    if (!services.recognizer) return failure("Text recognition is not available.");
    const platform::TextRecognitionRequest recognition{
        .recognitionLevel = platform::RecognitionLevel::accurate,
        .usesLanguageCorrection = true,
        .recognitionLanguages = {"ru-RU", "en-US"}};
    auto recognised = services.recognizer->recognize(image, recognition);
    if (auto* error = std::get_if<std::string>(&recognised)) return failure(*error);
    result["text"] =
        recognisedText(std::move(std::get<std::vector<platform::TextObservation>>(recognised)));
  }
  return result;
}

void windowShot(const WindowShotServices& services, RunLoop& loop, const WindowShotRequest& request,
                std::function<void(nlohmann::json)> reply) {
  if (!services.permissions->screenCaptureAllowed()) {
    reply(failure("no_permission"));
    return;
  }
  loop.background([services, &loop, request, reply = std::move(reply)]() mutable {
    json result;
    try {
      result = takeWindowShot(services, request);
    } catch (const std::exception& e) {
      // Whatever stopped the shot (memory running out in a library), the command gets its reply.
      result = failure(e.what());
    }
    loop.post([reply = std::move(reply), result = std::move(result)]() mutable {
      reply(std::move(result));
    });
  });
}

}  // namespace parlevox
