// Text crossing into the helper's replies: UTF-16 from other applications, repaired UTF-8 out.
#pragma once

#include <string>
#include <string_view>

namespace parlevox::platform {

/// UTF-8 for UTF-16 text; a lone surrogate becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);

/// UTF-16 for UTF-8 text; an invalid byte sequence becomes U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);

}  // namespace parlevox::platform
