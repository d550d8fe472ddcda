// A fingerprint of a field: traits that stay the same while the user edits it (role, labels,
// identifiers, CSS classes, nearest ancestors, the web site's host), so that the same field can
// be recognised later.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "helper/platform/accessibility.h"

namespace parlevox {

/// {"role", "subrole", "labels", "ids", "classes", "ancestors" (the nearest 4 below the window,
/// each {"role", "id"}), and "host" when the outermost web area below the window, or else the
/// window's document, has a web address}. Unreadable attributes give empty strings and lists.
nlohmann::json fieldPrint(platform::Accessibility& ax, const platform::Element& element);

}  // namespace parlevox
