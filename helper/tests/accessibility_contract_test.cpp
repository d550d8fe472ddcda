// The element interface every accessibility backend honours, checked against the simulated
// desktop presenting the standard user interface.
#include "helper/tests/support/accessibility_contract.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox::contract {
namespace {

// The standard interface on the simulated desktop.
constexpr const char* kStandardScenario = R"({
  "apps": [
    {"pid": 4242, "bundle": "com.example.contract", "name": "Contract", "ui": {
      "windows": [
        {"id": "window", "role": "AXWindow", "title": "Contract", "frame": [100, 100, 400, 300],
         "children": [
           {"role": "AXStaticText", "value": "Greeting", "frame": [110, 110, 200, 20]},
           {"id": "field", "role": "AXTextField", "value": "Hello world\nsecond line",
            "selection": [5, 0], "frame": [110, 140, 300, 60],
            "settable": {"AXValue": "apply", "AXSelectedTextRange": "apply"}},
           {"role": "AXButton", "title": "OK", "frame": [110, 220, 80, 24]}
         ]}
      ],
      "focused": "field"}},
    {"pid": 4243, "bundle": "com.example.frozen", "name": "Frozen", "ui": {"silent": true}}
  ],
  "frontmost": 4242
})";

class SimContractDesktop final : public ContractDesktop {
 public:
  Accessibility& accessibility() override { return desktop_->accessibility; }
  std::int32_t appPid() override { return 4242; }
  std::int32_t silentPid() override { return 4243; }
  void closeWindow() override { desktop_->axTree.remove(*desktop_->axTree.find("window")); }

 private:
  std::unique_ptr<sim::SimDesktop> desktop_ = testing::loadDesktop(kStandardScenario);
};

INSTANTIATE_TEST_SUITE_P(Backends, AccessibilityContract,
                         ::testing::Values(Backend{
                             "Simulated", [] { return std::make_unique<SimContractDesktop>(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parlevox::contract
