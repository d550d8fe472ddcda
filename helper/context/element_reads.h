// The batched attribute reads of one command, kept per element, so that walks passing the same
// elements again ask the application once.
#pragma once

#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "helper/context/ax_read.h"

namespace parlevox {

class ElementReads {
 public:
  using Values = std::vector<std::optional<AXValue>>;

  ElementReads(platform::Accessibility& ax, std::vector<std::string_view> names)
      : ax_(ax), names_(std::move(names)) {}

  /// The element's values, one per name: one batched read the first time it is asked for.
  const Values& of(const Element& element) {
    auto [it, added] = read_.try_emplace(element.identity());
    if (added) it->second = {element, axValues(ax_, element, names_)};
    return it->second.values;
  }
  platform::Accessibility& accessibility() { return ax_; }

 private:
  struct Entry {
    Element element;  // keeps the identity from being reused while the entry lives
    Values values;
  };
  platform::Accessibility& ax_;
  std::vector<std::string_view> names_;
  std::unordered_map<const void*, Entry> read_;
};

}  // namespace parlevox
