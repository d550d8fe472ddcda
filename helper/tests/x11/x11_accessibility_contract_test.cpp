// The element interface's contract checked against the X11 desktop: run by
// test_x11_accessibility_contract.py inside a private desktop where the GTK test window shows the
// standard user interface (its pids and the field's frame come in the environment).
#include <signal.h>

#include <cstdlib>
#include <sstream>
#include <thread>

#include "helper/platform/x11/x11_desktop.h"
#include "helper/tests/support/accessibility_contract.h"

namespace parlevox::contract {
namespace {

std::int32_t pidFromEnvironment(const char* name) {
  const char* text = std::getenv(name);
  return text ? std::atoi(text) : 0;
}

// One connection for the whole program: libatspi is set up once per process.
x11::X11Desktop& desktop() {
  static auto opened = x11::X11Desktop::open();
  if (auto* error = std::get_if<std::string>(&opened)) {
    ADD_FAILURE() << *error;
    std::abort();
  }
  return *std::get<std::unique_ptr<x11::X11Desktop>>(opened);
}

// Polls `done` for up to ten seconds.
bool within(const std::function<bool()>& done) {
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

class X11ContractDesktop final : public ContractDesktop {
 public:
  X11ContractDesktop() {
    std::istringstream frame(std::getenv("PARLEVOX_CONTRACT_FIELD"));
    char comma = 0;
    frame >> frame_.x >> comma >> frame_.y >> comma >> frame_.w >> comma >> frame_.h;
  }
  // Each test finds the standard interface as it started: the window back, the field's text and
  // caret as they were.
  ~X11ContractDesktop() override {
    auto& ax = accessibility();
    auto focused = [&] {
      auto read = ax.copyAttributeValue(ax.application(appPid()), "AXFocusedUIElement");
      auto* field = std::get_if<Element>(&read.value);
      return read.ok() && field ? std::optional(*field) : std::nullopt;
    };
    if (closed_) {
      ::kill(appPid(), SIGUSR2);
      within([&] { return focused().has_value(); });
    }
    if (auto field = focused()) {
      ax.setAttributeValue(*field, "AXValue", u"Hello world\nsecond line");
      ax.setAttributeValue(*field, "AXSelectedTextRange", AXRange{5, 0});
    }
  }
  Accessibility& accessibility() override { return *desktop().accessibility; }
  std::int32_t appPid() override { return pidFromEnvironment("PARLEVOX_CONTRACT_PID"); }
  std::int32_t silentPid() override { return pidFromEnvironment("PARLEVOX_SILENT_PID"); }
  void closeWindow() override {
    closed_ = true;
    ::kill(appPid(), SIGUSR1);
    auto& ax = accessibility();
    within([&] {
      auto read = ax.copyAttributeValue(ax.application(appPid()), "AXWindows");
      auto* windows = std::get_if<std::vector<Element>>(&read.value);
      return read.ok() && windows && windows->empty();
    });
  }
  Rect fieldFrame() override { return frame_; }
  // GTK keeps several lines in a text view, a text area, and always holds a window's items in a
  // container.
  std::u16string fieldRole() override { return u"AXTextArea"; }
  bool itemsInContainer() override { return true; }

 private:
  Rect frame_;
  bool closed_ = false;
};

INSTANTIATE_TEST_SUITE_P(Backends, AccessibilityContract,
                         ::testing::Values(Backend{
                             "X11", [] { return std::make_unique<X11ContractDesktop>(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parlevox::contract
