// Text crossing into the helper's replies: UTF-16 from other applications, repaired UTF-8 out.
#include "helper/platform/text.h"

#include <unicode/ustring.h>

namespace parlevox::platform {

std::string utf8FromUtf16(std::u16string_view text) {
  if (text.empty()) return {};
  constexpr UChar32 kReplacement = 0xFFFD;
  // Each UTF-16 unit becomes at most three UTF-8 bytes (a surrogate pair: four for two units).
  std::string out(text.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                     kReplacement, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::u16string utf16FromUtf8(std::string_view text) {
  if (text.empty()) return {};
  constexpr UChar32 kReplacement = 0xFFFD;
  std::u16string out(text.size(), u'\0');  // never more units than bytes
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                       &length, text.data(), static_cast<int32_t>(text.size()), kReplacement,
                       nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace parlevox::platform
