// Web addresses parsed with libcurl's URL interface.
#include "helper/context/page_address.h"

#include <curl/curl.h>

#include <memory>

#include "helper/core/characters.h"
#include "helper/platform/text.h"

namespace parlevox {

using platform::utf16FromUtf8;
using platform::utf8FromUtf16;
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct WebAddress {
  UrlHandle url;
  bool pathGiven = false;  // the text names a path, rather than the parser adding "/"
};

std::optional<std::string> part(CURLU* url, CURLUPart which, unsigned flags = 0) {
  char* value = nullptr;
  if (curl_url_get(url, which, &value, flags) != CURLUE_OK || !value) return std::nullopt;
  std::string text(value);
  curl_free(value);
  return text;
}

bool webScheme(std::string_view scheme) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  auto equals = [&](std::string_view name) {
    if (scheme.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
      if (lower(scheme[i]) != name[i]) return false;
    return true;
  };
  return equals("http") || equals("https");
}

// An http or https address with an authority and a non-empty host.
std::optional<WebAddress> parseWebAddress(std::string_view text) {
  // The parser reads a C string: text past a NUL would be silently dropped.
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || !webScheme(text.substr(0, colon))) return std::nullopt;
  // The parser also takes one or three slashes ("http:/host", "https:///path" with "path" as
  // the host); an address has exactly two before its authority.
  const auto authority = colon + 3;
  if (text.substr(colon + 1, 2) != "//" || authority >= text.size() || text[authority] == '/' ||
      text[authority] == '\\')
    return std::nullopt;

  UrlHandle url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, std::string(text).c_str(), CURLU_PATH_AS_IS) !=
                  CURLUE_OK)
    return std::nullopt;
  const auto scheme = part(url.get(), CURLUPART_SCHEME);
  const auto host = part(url.get(), CURLUPART_HOST);
  if (!scheme || !webScheme(*scheme) || !host || host->empty()) return std::nullopt;
  const auto end = text.find_first_of("/?#", authority);
  return WebAddress{std::move(url), end != std::string_view::npos && text[end] == '/'};
}

std::string firstCharactersOf(const std::string& utf8, std::int64_t count) {
  const auto text = utf16FromUtf8(utf8);
  return utf8FromUtf16(firstCharacters(text, count));
}

bool validUtf8(const std::string& text) {
  return utf8FromUtf16(utf16FromUtf8(text)) == text;
}

}  // namespace

std::optional<std::string> pageAddress(std::string_view address) {
  const auto parsed = parseWebAddress(address);
  if (!parsed) return std::nullopt;
  auto host = part(parsed->url.get(), CURLUPART_HOST);
  if (!host) return std::nullopt;
  // The path as a person reads it; kept encoded when decoding would give control characters
  // or bytes that are not UTF-8.
  auto path = part(parsed->url.get(), CURLUPART_PATH, CURLU_URLDECODE);
  if (!path || !validUtf8(*path)) path = part(parsed->url.get(), CURLUPART_PATH);
  std::string result = std::move(*host);
  if (path && *path != "/") result += *path;
  return firstCharactersOf(result, pageAddressLimit);
}

std::optional<std::string> wholeAddress(std::string_view address) {
  const auto parsed = parseWebAddress(address);
  if (!parsed) return std::nullopt;
  CURLU* url = parsed->url.get();
  if (curl_url_set(url, CURLUPART_USER, nullptr, 0) != CURLUE_OK ||
      curl_url_set(url, CURLUPART_PASSWORD, nullptr, 0) != CURLUE_OK)
    return std::nullopt;
  auto whole = part(url, CURLUPART_URL);
  if (!whole) return std::nullopt;
  if (!parsed->pathGiven) {
    // The parser writes "/" for an empty path; the address had none. The first slash after
    // "scheme://" starts the path, as neither a host nor a port holds one.
    const auto slash = whole->find('/', whole->find("://") + 3);
    if (slash != std::string::npos) whole->erase(slash, 1);
  }
  return firstCharactersOf(*whole, wholeAddressLimit);
}

std::optional<std::string> hostOf(std::string_view address) {
  const auto parsed = parseWebAddress(address);
  if (!parsed) return std::nullopt;
  auto host = part(parsed->url.get(), CURLUPART_HOST);
  if (!host) return std::nullopt;
  return firstCharactersOf(*host, hostLimit);
}

std::optional<std::string> addressText(const std::optional<platform::AXValue>& value) {
  if (!value) return std::nullopt;
  if (const auto* url = std::get_if<platform::AXUrl>(&*value)) return url->text;
  if (const auto* text = std::get_if<std::u16string>(&*value)) return utf8FromUtf16(*text);
  return std::nullopt;
}

std::optional<std::string> pageHost(const std::optional<platform::AXValue>& value) {
  const auto text = addressText(value);
  if (!text) return std::nullopt;
  return hostOf(*text);
}

}  // namespace parlevox
