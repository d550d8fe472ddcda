// Context capture in-process on the X11 desktop the environment names (run by
// bench/x11_context_bench.py inside its private desktop): wall time, element-interface reads and
// accessibility-bus calls per capture of one application's window.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>
#include <vector>

#include "helper/context/context_capture.h"
#include "helper/context/geometry.h"
#include "helper/platform/x11/x11_desktop.h"

namespace parlevox {
namespace {

using namespace platform;

// Counts the element-interface calls on their way to the real service.
class CountingAccessibility final : public Accessibility {
 public:
  explicit CountingAccessibility(Accessibility& inner) : inner_(inner) {}
  std::uint64_t batched = 0, single = 0, parameterized = 0;

  bool isProcessTrusted() override { return inner_.isProcessTrusted(); }
  Element systemWide() override { return inner_.systemWide(); }
  Element application(std::int32_t pid) override { return inner_.application(pid); }
  AXRead copyAttributeValue(const Element& e, std::string_view name) override {
    ++single;
    return inner_.copyAttributeValue(e, name);
  }
  std::variant<std::vector<AXValue>, AXError> copyMultipleAttributeValues(
      const Element& e, std::span<const std::string_view> names) override {
    ++batched;
    return inner_.copyMultipleAttributeValues(e, names);
  }
  AXRead copyParameterizedAttributeValue(const Element& e, std::string_view name,
                                         const AXValue& parameter) override {
    ++parameterized;
    return inner_.copyParameterizedAttributeValue(e, name, parameter);
  }
  std::optional<bool> isAttributeSettable(const Element& e, std::string_view name) override {
    return inner_.isAttributeSettable(e, name);
  }
  AXError setAttributeValue(const Element& e, std::string_view name,
                            const AXValue& value) override {
    return inner_.setAttributeValue(e, name, value);
  }
  std::optional<std::int32_t> pid(const Element& e) override { return inner_.pid(e); }
  AXError setMessagingTimeout(const Element& e, double seconds) override {
    return inner_.setMessagingTimeout(e, seconds);
  }

 private:
  Accessibility& inner_;
};

}  // namespace
}  // namespace parlevox

int main(int argc, char** argv) {
  using namespace parlevox;
  if (argc < 2) {
    std::fprintf(stderr, "usage: x11_context_calls PID [CAPTURES]\n");
    return 2;
  }
  const std::int32_t pid = std::atoi(argv[1]);
  const int captures = argc > 2 ? std::atoi(argv[2]) : 10;
  auto opened = x11::X11Desktop::open();
  if (auto* error = std::get_if<std::string>(&opened)) {
    std::fprintf(stderr, "x11_context_calls: %s\n", error->c_str());
    return 1;
  }
  auto& desktop = *std::get<std::unique_ptr<x11::X11Desktop>>(opened);
  CountingAccessibility ax(*desktop.accessibility);
  ContextRequest request;
  request.trusted = true;
  request.maxChars = 1'000'000;
  request.displays = displayBounds(*desktop.screens);
  for (const auto& app : desktop.workspace->runningApplications())
    if (app.pid == pid) request.app = app;
  captureContext(ax, request);  // the first contact fills libatspi's tables
  ax.batched = ax.single = ax.parameterized = 0;
  const auto busBefore = desktop.accessibility->busCalls();
  std::vector<double> ms;
  std::size_t texts = 0;
  for (int i = 0; i < captures; ++i) {
    const auto start = std::chrono::steady_clock::now();
    auto reply = captureContext(ax, request);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
    texts = reply["area"].size() + reply["texts"].size();
  }
  std::sort(ms.begin(), ms.end());
  const double n = captures;
  nlohmann::json result{
      {"medianMs", ms[ms.size() / 2]},
      {"texts", texts},
      {"axValuesPerCapture", double(ax.batched) / n},
      {"singleReadsPerCapture", double(ax.single) / n},
      {"parameterizedReadsPerCapture", double(ax.parameterized) / n},
      {"busCallsPerCapture", double(desktop.accessibility->busCalls() - busBefore) / n}};
  std::printf("%s\n", result.dump().c_str());
}
