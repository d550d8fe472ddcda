// AT-SPI roles under the element interface's role and subrole names.
#pragma once

#include <string_view>

namespace parlevox::x11 {

struct RoleNames {
  std::string_view role;
  std::string_view subrole;  // empty when the role has none
};

/// The names for an AT-SPI role (an AtspiRole value); `multiLine` tells a text area from a
/// one-line field. Roles without a counterpart are "AXGroup" when they hold others, else
/// "AXUnknown".
RoleNames roleNames(int atspiRole, bool multiLine);

}  // namespace parlevox::x11
