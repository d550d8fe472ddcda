// The focused field's state, read from the focused element.
#include "helper/context/focused_state.h"

#include <nlohmann/json.hpp>

#include "helper/context/ax_read.h"
#include "helper/context/caret_text.h"
#include "helper/core/characters.h"
#include "helper/platform/text.h"

namespace parlevox {
using platform::utf8FromUtf16;
namespace {

struct FocusedText {
  Element element;
  std::u16string value;
};

// The element and its text value, unless it is missing, a password field or holds no text.
std::optional<FocusedText> focusedText(platform::Accessibility& ax,
                                       std::optional<Element> element) {
  if (!element || isSecure(ax, *element)) return std::nullopt;
  auto value = stringOf(axValue(ax, *element, "AXValue"));
  if (!value) return std::nullopt;
  return FocusedText{std::move(*element), std::move(*value)};
}

}  // namespace

nlohmann::json focusedState(platform::Accessibility& ax, std::optional<std::int32_t> pid,
                            std::int64_t maxChars,
                            const std::optional<std::vector<std::int64_t>>& around,
                            std::int32_t frontPid) {
  const auto field = focusedText(ax, pid ? focusedElement(ax, *pid) : focusedElement(ax));
  if (!field) return {{"ok", false}, {"error", "no_value"}, {"frontPid", frontPid}};

  const auto length = static_cast<std::int64_t>(field->value.size());
  nlohmann::json reply{{"ok", true},
                       {"value", platform::utf8FromUtf16(lastCharacters(field->value, maxChars))},
                       {"pid", ax.pid(field->element).value_or(0)},
                       {"frontPid", frontPid},
                       {"length", length}};
  const auto selection = axValue(ax, field->element, "AXSelectedTextRange");
  const auto* range = valueAs<platform::AXRange>(selection);
  if (!range) return reply;
  reply["caret"] = range->location;
  reply["selected"] = range->length;
  if (!around || around->size() != 2) return reply;
  if (auto text = textAround(ax, field->element, range->location, range->length, length,
                             (*around)[0], (*around)[1])) {
    reply["textBefore"] = platform::utf8FromUtf16(text->before);
    reply["textAfter"] = platform::utf8FromUtf16(text->after);
  }
  return reply;
}

nlohmann::json focusedValue(platform::Accessibility& ax, std::int64_t maxChars) {
  const auto field = focusedText(ax, focusedElement(ax));
  if (!field) return {{"ok", false}, {"error", "no_value"}};
  return {{"ok", true},
          {"value", platform::utf8FromUtf16(lastCharacters(field->value, maxChars))},
          {"pid", ax.pid(field->element).value_or(0)}};
}

}  // namespace parlevox
