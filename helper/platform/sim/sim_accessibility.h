// Simulated accessibility: element handles over the simulated trees, answered as slowly as each
// application answers within the caller's messaging timeout, with calls counted and sets recorded.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "helper/platform/accessibility.h"
#include "helper/platform/sim/ax_tree.h"
#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/sim_permissions.h"

namespace parlevox::sim {

/// Calls made to the accessibility service, by kind.
struct AXCallCounts {
  std::uint64_t single = 0;         // copyAttributeValue
  std::uint64_t batched = 0;        // copyMultipleAttributeValues
  std::uint64_t parameterized = 0;  // copyParameterizedAttributeValue
  std::uint64_t settable = 0;       // isAttributeSettable
  std::uint64_t set = 0;            // setAttributeValue
  bool operator==(const AXCallCounts&) const = default;
};

/// The messaging timeout of a handle on which none was set and no default was set.
inline constexpr double kDefaultMessagingTimeout = 6.0;

class SimAccessibility final : public platform::Accessibility {
 public:
  SimAccessibility(AXTree& tree, Recorder& recorder, SimPermissions& permissions)
      : tree_(tree), recorder_(recorder), permissions_(permissions) {}

  /// As the scenario's permissions say.
  bool isProcessTrusted() override;
  platform::Element systemWide() override;
  platform::Element application(std::int32_t pid) override;
  platform::AXRead copyAttributeValue(const platform::Element& element,
                                      std::string_view name) override;
  std::variant<std::vector<platform::AXValue>, platform::AXError> copyMultipleAttributeValues(
      const platform::Element& element, std::span<const std::string_view> names) override;
  platform::AXRead copyParameterizedAttributeValue(const platform::Element& element,
                                                   std::string_view name,
                                                   const platform::AXValue& parameter) override;
  std::optional<bool> isAttributeSettable(const platform::Element& element,
                                          std::string_view name) override;
  /// Records the set ("axSetAttribute"), then lets the application react.
  platform::AXError setAttributeValue(const platform::Element& element, std::string_view name,
                                      const platform::AXValue& value) override;
  std::optional<std::int32_t> pid(const platform::Element& element) override;
  platform::AXError setMessagingTimeout(const platform::Element& element, double seconds) override;

  /// The calls made since the start or the last reset. Safe from any thread.
  AXCallCounts callCounts() const;
  void resetCallCounts();
  /// A handle for the element with this scenario id; empty when there is none. For tests and
  /// benchmarks, which find their elements by id rather than by walking.
  platform::Element element(std::string_view id);

 private:
  struct Handle;
  platform::Element handle(NodeIndex node, std::int32_t pid, double timeout) const;
  /// The handle behind an element of this service; null for an empty or foreign element.
  const Handle* handleOf(const platform::Element& element) const;
  double timeoutOf(const Handle& h) const;
  /// Blocks as the application takes to answer; false when it does not answer in time.
  bool awaitAnswer(const Handle& h) const;
  platform::AXValue toValue(const TreeValue& value, double timeout) const;
  std::optional<TreeValue> fromValue(const platform::AXValue& value) const;

  AXTree& tree_;
  Recorder& recorder_;
  SimPermissions& permissions_;
  std::atomic<double> defaultTimeout_{kDefaultMessagingTimeout};
  std::atomic<std::uint64_t> single_{0}, batched_{0}, parameterized_{0}, settable_{0}, set_{0};
};

}  // namespace parlevox::sim
