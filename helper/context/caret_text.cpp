// Text around the caret and the caret's box, read by UTF-16 range.
#include "helper/context/caret_text.h"

#include <algorithm>

#include "helper/context/ax_read.h"

namespace parlevox {

std::optional<TextAround> textAround(platform::Accessibility& ax, const platform::Element& element,
                                     std::int64_t caret, std::int64_t selected, std::int64_t total,
                                     std::int64_t before, std::int64_t after) {
  const std::int64_t start =
      caret <= 0
          ? 0
          : std::max<std::int64_t>(caret - std::min(std::max<std::int64_t>(before, 0), caret), 0);
  auto textBefore = axString(ax, element, start, caret - start);
  if (!textBefore) return std::nullopt;

  // Ranges come from another application: saturate rather than overflow.
  std::int64_t end = 0;
  if (__builtin_add_overflow(caret, std::max<std::int64_t>(selected, 0), &end)) end = INT64_MAX;
  std::int64_t n =
      std::min(std::max<std::int64_t>(total - end, 0), std::max<std::int64_t>(after, 0));
  auto textAfter = axString(ax, element, end, n);
  if (!textAfter) {
    if (n < 2) {
      n = 0;
    } else {
      std::int64_t lo = 0, hi = n - 1;
      while (lo < hi) {
        const std::int64_t mid = lo + (hi - lo + 1) / 2;
        const auto read = ax.copyParameterizedAttributeValue(element, "AXStringForRange",
                                                             platform::AXRange{end, mid});
        if (read.ok() && std::holds_alternative<std::u16string>(read.value))
          lo = mid;
        else
          hi = mid - 1;
      }
      n = lo;
    }
    textAfter = axString(ax, element, end, n);
  }
  return TextAround{std::move(*textBefore), textAfter.value_or(std::u16string())};
}

std::optional<CaretRect> caretRect(platform::Accessibility& ax, const platform::Element& element) {
  const auto selection = axValue(ax, element, "AXSelectedTextRange");
  const auto* range = valueAs<platform::AXRange>(selection);
  if (!range) return std::nullopt;
  const std::int64_t probe =
      range->length > 0 ? range->location : (range->location > 0 ? range->location - 1 : 0);
  const auto bounds =
      ax.copyParameterizedAttributeValue(element, "AXBoundsForRange", platform::AXRange{probe, 1});
  if (!bounds.ok()) return std::nullopt;
  const auto* box = std::get_if<platform::Rect>(&bounds.value);
  if (!box || !(box->height() > 0) || box->height() >= 200) return std::nullopt;
  const bool after = range->length == 0 && range->location >= 1;
  return CaretRect{*box, after ? box->maxX() : box->minX()};
}

}  // namespace parlevox
