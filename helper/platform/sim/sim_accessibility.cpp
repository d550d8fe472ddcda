// Simulated accessibility: element handles over the simulated trees, answered as slowly as each
// application answers within the caller's messaging timeout, with calls counted and sets recorded.
#include "helper/platform/sim/sim_accessibility.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <nlohmann/json.hpp>
#include <thread>

#include "helper/platform/sim/ax_tree_scenario.h"

namespace parlevox::sim {

using platform::AXError;
using platform::AXRead;
using platform::AXValue;
using platform::Element;

/// What an Element of this service holds. Copies of one handle share it, so a timeout set
/// through one copy holds for all of them, as with the platform's reference-counted elements.
struct SimAccessibility::Handle {
  NodeIndex node = kNoNode;  // kNoNode: the application element of a pid that runs nothing
  std::int32_t pid = 0;
  mutable std::atomic<double> timeout{0};  // seconds; 0: the default
};

namespace {

// Sleeps at most about 30 years, so that an absurd timeout cannot overflow the clock.
void sleepMs(double ms) {
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(std::min(ms, 1e12)));
}

AXRead failed(AXError code) {
  return {code, platform::AXNone{}};
}

}  // namespace

Element SimAccessibility::handle(NodeIndex node, std::int32_t pid, double timeout) const {
  auto h = std::make_shared<Handle>();
  h->node = node;
  h->pid = pid;
  h->timeout = timeout;
  // An application that does not run has no node; its handles are told apart by pid through an
  // odd address, which no node (nor any other aligned object) can have. It is never dereferenced.
  const void* identity =
      node != kNoNode
          ? tree_.identity(node)
          : reinterpret_cast<const void*>(
                (static_cast<std::uintptr_t>(static_cast<std::uint32_t>(pid)) << 1) | 1);
  return Element(std::move(h), identity);
}

const SimAccessibility::Handle* SimAccessibility::handleOf(const Element& element) const {
  const auto* h = element.as<Handle>();
  // A handle of another desktop's tree is no element of this one.
  if (h && h->node != kNoNode && h->node >= tree_.size()) return nullptr;
  return h;
}

double SimAccessibility::timeoutOf(const Handle& h) const {
  const double own = h.timeout.load();
  return own > 0 ? own : defaultTimeout_.load();
}

bool SimAccessibility::awaitAnswer(const Handle& h) const {
  if (h.node == kNoNode) return false;  // no such process: the call fails at once
  const AppTiming timing = tree_.timing(h.node);
  const double limitMs = timeoutOf(h) * 1000.0;
  if (timing.silent || timing.readMs > limitMs) {
    sleepMs(limitMs);
    return false;
  }
  if (timing.readMs > 0) sleepMs(timing.readMs);
  return true;
}

AXValue SimAccessibility::toValue(const TreeValue& value, double timeout) const {
  return std::visit(
      [&](const auto& v) -> AXValue {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, NodeRef>) {
          return handle(v.index, tree_.pidOf(v.index), timeout);
        } else if constexpr (std::is_same_v<T, std::vector<NodeRef>>) {
          std::vector<Element> list;
          list.reserve(v.size());
          for (auto ref : v) list.push_back(handle(ref.index, tree_.pidOf(ref.index), timeout));
          return list;
        } else {
          return v;
        }
      },
      value);
}

std::optional<TreeValue> SimAccessibility::fromValue(const AXValue& value) const {
  auto node = [this](const Element& e) -> std::optional<NodeRef> {
    const Handle* h = handleOf(e);
    if (!h || h->node == kNoNode) return std::nullopt;
    return NodeRef{h->node};
  };
  return std::visit(
      [&](const auto& v) -> std::optional<TreeValue> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Element>) {
          auto ref = node(v);
          if (!ref) return std::nullopt;
          return TreeValue(*ref);
        } else if constexpr (std::is_same_v<T, std::vector<Element>>) {
          std::vector<NodeRef> list;
          for (const auto& e : v) {
            auto ref = node(e);
            if (!ref) return std::nullopt;
            list.push_back(*ref);
          }
          return TreeValue(std::move(list));
        } else {
          return TreeValue(v);
        }
      },
      value);
}

bool SimAccessibility::isProcessTrusted() {
  return permissions_.accessibilityTrusted();
}

Element SimAccessibility::systemWide() {
  return handle(tree_.systemWide(), 0, 0);
}

Element SimAccessibility::application(std::int32_t pid) {
  return handle(tree_.application(pid).value_or(kNoNode), pid, 0);
}

Element SimAccessibility::element(std::string_view id) {
  auto node = tree_.find(id);
  if (!node) return {};
  return handle(*node, tree_.pidOf(*node), 0);
}

AXRead SimAccessibility::copyAttributeValue(const Element& element, std::string_view name) {
  ++single_;
  const Handle* h = handleOf(element);
  if (!h) return failed(platform::kAXErrorIllegalArgument);
  if (!awaitAnswer(*h)) return failed(platform::kAXErrorCannotComplete);
  TreeRead r = tree_.read(h->node, name);
  if (!r.ok()) return failed(r.error);
  return {platform::kAXSuccess, toValue(r.value, h->timeout.load())};
}

std::variant<std::vector<AXValue>, AXError> SimAccessibility::copyMultipleAttributeValues(
    const Element& element, std::span<const std::string_view> names) {
  ++batched_;
  const Handle* h = handleOf(element);
  if (!h) return platform::kAXErrorIllegalArgument;
  if (!awaitAnswer(*h)) return platform::kAXErrorCannotComplete;
  auto read = tree_.readMany(h->node, names);
  if (auto* error = std::get_if<AXError>(&read)) return *error;
  std::vector<AXValue> values;
  const double timeout = h->timeout.load();
  for (const auto& v : std::get<std::vector<TreeValue>>(read))
    values.push_back(toValue(v, timeout));
  return values;
}

AXRead SimAccessibility::copyParameterizedAttributeValue(const Element& element,
                                                         std::string_view name,
                                                         const AXValue& parameter) {
  ++parameterized_;
  const Handle* h = handleOf(element);
  if (!h) return failed(platform::kAXErrorIllegalArgument);
  if (!awaitAnswer(*h)) return failed(platform::kAXErrorCannotComplete);
  TreeRead r = tree_.readParameterized(h->node, name, parameter);
  if (!r.ok()) return failed(r.error);
  return {platform::kAXSuccess, toValue(r.value, h->timeout.load())};
}

std::optional<bool> SimAccessibility::isAttributeSettable(const Element& element,
                                                          std::string_view name) {
  ++settable_;
  const Handle* h = handleOf(element);
  if (!h || !awaitAnswer(*h)) return std::nullopt;
  auto answer = tree_.settable(h->node, name);
  if (auto* settable = std::get_if<bool>(&answer)) return *settable;
  return std::nullopt;
}

AXError SimAccessibility::setAttributeValue(const Element& element, std::string_view name,
                                            const AXValue& value) {
  ++set_;
  const Handle* h = handleOf(element);
  if (!h) return platform::kAXErrorIllegalArgument;
  auto treeValue = fromValue(value);
  nlohmann::json entry{{"do", "axSetAttribute"},
                       {"pid", h->pid},
                       {"attribute", name},
                       {"value", treeValue ? scenarioJson(*treeValue, tree_) : nullptr},
                       {"timeout", timeoutOf(*h)}};
  if (h->node != kNoNode && tree_.kind(h->node) == AXTree::Kind::element)
    entry["element"] = tree_.id(h->node);
  recorder_.record(std::move(entry));
  if (!awaitAnswer(*h)) return platform::kAXErrorCannotComplete;
  if (!treeValue) return platform::kAXErrorIllegalArgument;
  return tree_.set(h->node, name, std::move(*treeValue));
}

std::optional<std::int32_t> SimAccessibility::pid(const Element& element) {
  const Handle* h = handleOf(element);
  if (!h || (h->node != kNoNode && tree_.kind(h->node) == AXTree::Kind::systemWide))
    return std::nullopt;
  if (h->node != kNoNode && tree_.gone(h->node)) return std::nullopt;
  return h->pid;
}

AXError SimAccessibility::setMessagingTimeout(const Element& element, double seconds) {
  const Handle* h = handleOf(element);
  if (!h || !std::isfinite(seconds) || seconds < 0) return platform::kAXErrorIllegalArgument;
  if (h->node != kNoNode && tree_.kind(h->node) == AXTree::Kind::systemWide)
    defaultTimeout_ = seconds > 0 ? seconds : kDefaultMessagingTimeout;
  else
    h->timeout = seconds;
  return platform::kAXSuccess;
}

AXCallCounts SimAccessibility::callCounts() const {
  return {single_.load(), batched_.load(), parameterized_.load(), settable_.load(), set_.load()};
}

void SimAccessibility::resetCallCounts() {
  single_ = 0;
  batched_ = 0;
  parameterized_ = 0;
  settable_ = 0;
  set_ = 0;
}

}  // namespace parlevox::sim
