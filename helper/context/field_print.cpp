// The fingerprint of a field, read from its attributes and those of its ancestors.
#include "helper/context/field_print.h"

#include <nlohmann/json.hpp>

#include "helper/context/ax_read.h"
#include "helper/context/page_address.h"
#include "helper/core/characters.h"
#include "helper/core/white_space.h"
#include "helper/platform/text.h"

namespace parlevox {

using platform::utf8FromUtf16;
namespace {

// The fingerprint attributes in their order, then the two the climb needs, in the same read.
enum Field {
  kRole,
  kSubrole,
  kPlaceholder,
  kDescription,
  kTitle,
  kDomId,
  kId,
  kClasses,
  kValue,
  kParent,
  kWindow
};
enum Ancestor { kAncestorRole, kAncestorDomId, kAncestorId, kAncestorUrl, kAncestorParent };

constexpr std::int64_t labelLimit = 120, idLimit = 120, classLimit = 60;
constexpr std::size_t maxClasses = 24, maxAncestors = 4;
constexpr int maxClimb = 60;

std::string cut(std::u16string_view text, std::int64_t limit) {
  return utf8FromUtf16(firstCharacters(text, limit));
}

// A non-empty string attribute, cut to `limit` characters.
std::optional<std::string> nonEmpty(const std::optional<AXValue>& value, std::int64_t limit) {
  const auto* text = valueAs<std::u16string>(value);
  if (!text || text->empty()) return std::nullopt;
  return cut(*text, limit);
}

}  // namespace

nlohmann::json fieldPrint(platform::Accessibility& ax, const Element& element) {
  const auto values = axValues(
      ax, element,
      {"AXRole", "AXSubrole", "AXPlaceholderValue", "AXDescription", "AXTitle", "AXDOMIdentifier",
       "AXIdentifier", "AXDOMClassList", "AXValue", "AXParent", "AXWindow"});
  const std::u16string value = stringOf(values[kValue]).value_or(std::u16string());

  auto labels = nlohmann::json::array();
  for (const int entry : {kPlaceholder, kDescription, kTitle}) {
    const auto* text = valueAs<std::u16string>(values[entry]);
    if (!text) continue;
    const auto label = firstCharacters(trimWhiteSpace(*text), labelLimit);
    // A label that repeats the field's own text says nothing about the field.
    if (label.empty() || label == value) continue;
    if (hasMoreCharactersThan(label, 7) && value.find(label) != std::u16string::npos) continue;
    labels.push_back(utf8FromUtf16(label));
  }

  auto ids = nlohmann::json::array();
  for (const int entry : {kDomId, kId})
    if (auto id = nonEmpty(values[entry], idLimit)) ids.push_back(std::move(*id));

  auto classes = nlohmann::json::array();
  if (const auto* list = valueAs<std::vector<std::u16string>>(values[kClasses]))
    for (std::size_t i = 0; i < list->size() && i < maxClasses; ++i)
      classes.push_back(cut((*list)[i], classLimit));

  nlohmann::json print{
      {"role", utf8FromUtf16(stringOf(values[kRole]).value_or(u""))},
      {"subrole", utf8FromUtf16(stringOf(values[kSubrole]).value_or(u""))},
      {"labels", std::move(labels)},
      {"ids", std::move(ids)},
      {"classes", std::move(classes)},
  };

  // Ancestors up to the window; the outermost web area with a web address names the host.
  auto ancestors = nlohmann::json::array();
  std::optional<std::string> host;
  auto parent = elementOf(values[kParent]);
  for (int level = 0; level < maxClimb && parent; ++level) {
    const auto up =
        axValues(ax, *parent, {"AXRole", "AXDOMIdentifier", "AXIdentifier", "AXURL", "AXParent"});
    const std::u16string role = stringOf(up[kAncestorRole]).value_or(u"");
    if (role == u"AXWindow" || role == u"AXApplication") break;
    if (ancestors.size() < maxAncestors) {
      auto id = nonEmpty(up[kAncestorDomId], idLimit);
      if (!id) id = nonEmpty(up[kAncestorId], idLimit);
      ancestors.push_back({{"role", utf8FromUtf16(role)}, {"id", id.value_or("")}});
    }
    if (role == u"AXWebArea")
      if (auto found = pageHost(up[kAncestorUrl])) host = std::move(found);
    parent = elementOf(up[kAncestorParent]);
  }
  if (!host)
    if (const auto window = elementOf(values[kWindow]))
      host = pageHost(axValue(ax, *window, "AXDocument"));

  print["ancestors"] = std::move(ancestors);
  if (host) print["host"] = std::move(*host);
  return print;
}

}  // namespace parlevox
