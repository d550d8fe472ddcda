// The batched attribute reads of one command, kept per element while walks may pass the same
// elements again, so that the application is asked once for each.
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

  /// The values kept for the element, if it was read while keeping.
  const Values* kept(const Element& element) const {
    const auto it = read_.find(element.identity());
    return it == read_.end() ? nullptr : &it->second.values;
  }
  /// The element's values, one per name: kept ones, else one batched read, kept when `keep`
  /// is on. A value not kept lives in `scratch`, which the caller holds while it needs it.
  const Values& of(const Element& element, Values& scratch) {
    if (const auto* values = kept(element)) return *values;
    if (!keep_) return scratch = axValues(ax_, element, names_);
    auto& entry = read_[element.identity()];
    entry = {element, axValues(ax_, element, names_)};
    return entry.values;
  }
  /// Whether reads from now on are kept. Keeping costs memory for every element read, so a
  /// walk that will not pass its elements again reads without it.
  void keep(bool on) { keep_ = on; }
  platform::Accessibility& accessibility() { return ax_; }

 private:
  struct Entry {
    Element element;  // keeps the identity from being reused while the entry lives
    Values values;
  };
  platform::Accessibility& ax_;
  std::vector<std::string_view> names_;
  std::unordered_map<const void*, Entry> read_;
  bool keep_ = true;
};

}  // namespace parlevox
