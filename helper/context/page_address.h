// Web addresses as the helper reports them: the page address (host and path), the whole address
// without credentials, and the host of an address held in an attribute value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "helper/platform/accessibility.h"

namespace parlevox {

/// Longest page address, whole address and host, in user-perceived characters.
inline constexpr std::int64_t pageAddressLimit = 150;
inline constexpr std::int64_t wholeAddressLimit = 4000;
inline constexpr std::int64_t hostLimit = 120;

/// Host and percent-decoded path of an http or https address with a host, a path of "/"
/// counting as none; no scheme, credentials, port, query or fragment. Cut to
/// `pageAddressLimit` characters. Absent for any other text.
std::optional<std::string> pageAddress(std::string_view address);
/// The address with any user name and password removed, cut to `wholeAddressLimit`
/// characters; absent when it does not parse as an http or https address with a host.
std::optional<std::string> wholeAddress(std::string_view address);
/// The host of an http or https address, cut to `hostLimit` characters; absent when there is
/// none or it is empty.
std::optional<std::string> hostOf(std::string_view address);
/// The address an attribute holds: the text of a URL value, or a string (as UTF-8).
std::optional<std::string> addressText(const std::optional<platform::AXValue>& value);
/// `hostOf` the address an attribute holds.
std::optional<std::string> pageHost(const std::optional<platform::AXValue>& value);

}  // namespace parlevox
