// Reading other applications' elements: attributes one by one or batched, the focused element,
// its kind, its frames and its text by range. Every failed read is an absent value.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helper/platform/accessibility.h"
#include "helper/platform/geometry.h"

namespace parlevox {

using platform::AXValue;
using platform::Element;

/// The roles of elements that take typed text.
inline constexpr std::string_view editableRoles[] = {"AXTextField", "AXTextArea", "AXComboBox",
                                                     "AXSearchField"};
/// The role (or subrole) of a password field, whose text is never read.
inline constexpr std::string_view secureRole = "AXSecureTextField";

/// The value of kind T, or null when the value is absent or of another kind.
template <class T>
const T* valueAs(const std::optional<AXValue>& value) {
  return value ? std::get_if<T>(&*value) : nullptr;
}
std::optional<std::u16string> stringOf(const std::optional<AXValue>& value);
std::optional<Element> elementOf(const std::optional<AXValue>& value);

/// One attribute; absent on any error and when the application has no value for it.
std::optional<AXValue> axValue(platform::Accessibility& ax, const Element& element,
                               std::string_view name);
/// Several attributes, one entry per name in order. One batched call to the application; when
/// that fails as a whole (or answers with the wrong count) the names are read one by one.
std::vector<std::optional<AXValue>> axValues(platform::Accessibility& ax, const Element& element,
                                             std::initializer_list<std::string_view> names);
std::vector<std::optional<AXValue>> axValues(platform::Accessibility& ax, const Element& element,
                                             const std::vector<std::string_view>& names);

/// The element with keyboard focus in the frontmost application.
std::optional<Element> focusedElement(platform::Accessibility& ax);
/// The element with keyboard focus in the application of `pid`.
std::optional<Element> focusedElement(platform::Accessibility& ax, std::int32_t pid);

/// A password field: its role or subrole is the secure role.
bool isSecure(platform::Accessibility& ax, const Element& element);
/// Its value can be set, or its role is an editable one.
bool isEditable(platform::Accessibility& ax, const Element& element);
/// The element's frame from its position and size.
std::optional<platform::Rect> frameOf(platform::Accessibility& ax, const Element& element);
/// The frame of the window the element is in.
std::optional<platform::Rect> windowFrame(platform::Accessibility& ax, const Element& element);
/// The text of the UTF-16 range; empty without a call for length 0, absent for a negative
/// location or length and whenever the application does not serve the range as a string.
std::optional<std::u16string> axString(platform::Accessibility& ax, const Element& element,
                                       std::int64_t location, std::int64_t length);

}  // namespace parlevox
