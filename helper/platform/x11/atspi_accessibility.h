// The element interface over the Linux accessibility bus (AT-SPI, through libatspi).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "helper/platform/accessibility.h"

namespace parlevox::x11 {

/// Calls made to the accessibility bus, each one D-Bus round trip: the figure the benchmark
/// reports per element.
struct BusCallCount {
  std::uint64_t calls = 0;
};

/// Elements are libatspi objects; attribute names are translated to AT-SPI reads (the table in
/// docs/x11-desktop.md). Text offsets cross as characters on the bus and as UTF-16 units here.
/// libatspi is not thread-safe: every call holds one process-wide lock, so reads from several
/// threads take turns, and a call waiting for a frozen application holds up the others for as
/// long as its messaging timeout. Rectangles are in global coordinates: root pixels less
/// `origin()`.
class AtspiAccessibility final : public platform::Accessibility {
 public:
  using FrontmostPid = std::function<std::optional<std::int32_t>()>;
  using Origin = std::function<platform::Point()>;

  /// Connects to the accessibility bus; nothing when it cannot be found or does not answer
  /// (the reason in `error`).
  static std::unique_ptr<AtspiAccessibility> connect(FrontmostPid frontmostPid, Origin origin,
                                                     std::string& error);
  ~AtspiAccessibility() override;

  /// True: the bus answered when the service connected.
  bool isProcessTrusted() override { return true; }
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
  platform::AXError setAttributeValue(const platform::Element& element, std::string_view name,
                                      const platform::AXValue& value) override;
  std::optional<std::int32_t> pid(const platform::Element& element) override;
  platform::AXError setMessagingTimeout(const platform::Element& element, double seconds) override;

  /// The bus calls made so far. Safe from any thread.
  std::uint64_t busCalls() const { return busCalls_.load(); }

  struct Handle;
  struct Reads;

 private:
  AtspiAccessibility(FrontmostPid frontmostPid, Origin origin);
  double timeoutOf(const Handle& h) const;
  friend struct Reads;
  FrontmostPid frontmostPid_;
  Origin origin_;
  void* desktop_ = nullptr;  // AtspiAccessible*
  std::atomic<double> defaultTimeout_{6.0};
  std::atomic<std::uint64_t> busCalls_{0};
  std::map<std::string, std::int32_t> pidOfBus_;  // unique bus name → process id
};

}  // namespace parlevox::x11
