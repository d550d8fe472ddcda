// Reading other applications' elements through the accessibility service.
#include "helper/context/ax_read.h"

#include <algorithm>
#include <span>

#include "helper/context/geometry.h"

namespace parlevox {

using platform::AXErrorValue;

std::optional<std::u16string> stringOf(const std::optional<AXValue>& value) {
  if (const auto* s = valueAs<std::u16string>(value)) return *s;
  return std::nullopt;
}

std::optional<Element> elementOf(const std::optional<AXValue>& value) {
  if (const auto* e = valueAs<Element>(value); e && *e) return *e;
  return std::nullopt;
}

std::optional<AXValue> axValue(platform::Accessibility& ax, const Element& element,
                               std::string_view name) {
  auto read = ax.copyAttributeValue(element, name);
  if (!read.ok() || std::holds_alternative<platform::AXNone>(read.value) ||
      std::holds_alternative<AXErrorValue>(read.value))
    return std::nullopt;
  return std::move(read.value);
}

namespace {

std::vector<std::optional<AXValue>> readValues(platform::Accessibility& ax, const Element& element,
                                               std::span<const std::string_view> names) {
  std::vector<std::optional<AXValue>> out;
  out.reserve(names.size());
  auto batch = ax.copyMultipleAttributeValues(element, names);
  if (auto* values = std::get_if<std::vector<AXValue>>(&batch);
      values && values->size() == names.size()) {
    for (auto& value : *values) {
      if (std::holds_alternative<AXErrorValue>(value) ||
          std::holds_alternative<platform::AXNone>(value))
        out.emplace_back();
      else
        out.emplace_back(std::move(value));
    }
    return out;
  }
  for (const auto name : names) out.push_back(axValue(ax, element, name));
  return out;
}

}  // namespace

std::vector<std::optional<AXValue>> axValues(platform::Accessibility& ax, const Element& element,
                                             std::initializer_list<std::string_view> names) {
  return readValues(ax, element, std::span(names.begin(), names.size()));
}

std::vector<std::optional<AXValue>> axValues(platform::Accessibility& ax, const Element& element,
                                             const std::vector<std::string_view>& names) {
  return readValues(ax, element, names);
}

std::optional<Element> focusedElement(platform::Accessibility& ax) {
  return elementOf(axValue(ax, ax.systemWide(), "AXFocusedUIElement"));
}

std::optional<Element> focusedElement(platform::Accessibility& ax, std::int32_t pid) {
  return elementOf(axValue(ax, ax.application(pid), "AXFocusedUIElement"));
}

bool isSecure(platform::Accessibility& ax, const Element& element) {
  const auto role = stringOf(axValue(ax, element, "AXRole"));
  const auto subrole = stringOf(axValue(ax, element, "AXSubrole"));
  const std::u16string secure(secureRole.begin(), secureRole.end());
  return role == secure || subrole == secure;
}

bool isEditable(platform::Accessibility& ax, const Element& element) {
  if (ax.isAttributeSettable(element, "AXValue") == true) return true;
  const auto role = stringOf(axValue(ax, element, "AXRole"));
  if (!role) return false;
  return std::any_of(std::begin(editableRoles), std::end(editableRoles), [&](auto editable) {
    return std::equal(role->begin(), role->end(), editable.begin(), editable.end());
  });
}

std::optional<platform::Rect> frameOf(platform::Accessibility& ax, const Element& element) {
  const auto values = axValues(ax, element, {"AXPosition", "AXSize"});
  return parlevox::frameOf(values[0], values[1]);
}

std::optional<platform::Rect> windowFrame(platform::Accessibility& ax, const Element& element) {
  const auto window = elementOf(axValue(ax, element, "AXWindow"));
  if (!window) return std::nullopt;
  return frameOf(ax, *window);
}

std::optional<std::u16string> axString(platform::Accessibility& ax, const Element& element,
                                       std::int64_t location, std::int64_t length) {
  if (location < 0 || length < 0) return std::nullopt;
  if (length == 0) return std::u16string();
  auto read = ax.copyParameterizedAttributeValue(element, "AXStringForRange",
                                                 platform::AXRange{location, length});
  if (!read.ok()) return std::nullopt;
  if (auto* text = std::get_if<std::u16string>(&read.value)) return std::move(*text);
  return std::nullopt;
}

}  // namespace parlevox
