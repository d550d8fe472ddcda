// User-perceived characters through ICU's character break iterator.
#include "helper/core/characters.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <memory>
#include <optional>

namespace parlevox {
namespace {

// A character break iterator over `text`; creating one is costly, so each thread keeps its own.
icu::BreakIterator* iteratorOver(std::u16string_view text) {
  thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    return U_FAILURE(status) ? nullptr : std::move(it);
  }();
  if (!iterator) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  UText* ut = utext_openUChars(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  if (U_FAILURE(status)) return nullptr;
  iterator->setText(ut, status);
  utext_close(ut);  // the iterator keeps its own clone
  return U_FAILURE(status) ? nullptr : iterator.get();
}

// The number of characters of a text made only of ASCII units, where every unit is a character
// of its own except a carriage return followed by a line feed; absent for any other text.
std::optional<std::int64_t> asciiCharacterCount(std::u16string_view text) {
  std::int64_t pairs = 0;
  char16_t previous = 0;
  for (const char16_t c : text) {
    if (c >= 0x80) return std::nullopt;
    if (c == u'\n' && previous == u'\r') ++pairs;
    previous = c;
  }
  return static_cast<std::int64_t>(text.size()) - pairs;
}

}  // namespace

std::u16string_view lastCharacters(std::u16string_view text, std::int64_t count) {
  if (count <= 0) return {};
  // Each character is at least one unit: a count that covers every unit keeps the whole text.
  if (static_cast<std::uint64_t>(count) >= text.size()) return text;
  auto* it = iteratorOver(text);
  if (!it) return text.substr(text.size() - static_cast<std::size_t>(count));
  std::int32_t position = it->last();
  for (std::int64_t i = 0; i < count && position > 0; ++i) position = it->previous();
  return text.substr(static_cast<std::size_t>(std::max(position, 0)));
}

std::u16string_view firstCharacters(std::u16string_view text, std::int64_t count) {
  if (count <= 0) return {};
  if (static_cast<std::uint64_t>(count) >= text.size()) return text;
  auto* it = iteratorOver(text);
  if (!it) return text.substr(0, static_cast<std::size_t>(count));
  std::int32_t position = it->first();
  for (std::int64_t i = 0; i < count && position != icu::BreakIterator::DONE; ++i) {
    const std::int32_t next = it->next();
    if (next == icu::BreakIterator::DONE) break;
    position = next;
  }
  return text.substr(0, static_cast<std::size_t>(position));
}

std::int64_t characterCount(std::u16string_view text) {
  if (auto count = asciiCharacterCount(text)) return *count;
  auto* it = iteratorOver(text);
  if (!it) return static_cast<std::int64_t>(text.size());
  std::int64_t count = 0;
  it->first();
  while (it->next() != icu::BreakIterator::DONE) ++count;
  return count;
}

bool hasMoreCharactersThan(std::u16string_view text, std::int64_t count) {
  if (count < 0) return true;
  if (text.size() <= static_cast<std::uint64_t>(count)) return false;
  if (auto ascii = asciiCharacterCount(text)) return *ascii > count;
  return firstCharacters(text, count).size() < text.size();
}

}  // namespace parlevox
