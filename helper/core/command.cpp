// The helper's request record and the decoding of one command line into it.
#include "helper/core/command.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace parlevox {
namespace {

using nlohmann::json;

// Each reader takes a present, non-null value and stores it, or reports a type mismatch.

bool read(const json& v, std::int64_t& out) {
  switch (v.type()) {
    case json::value_t::number_integer:
      out = v.get<std::int64_t>();
      return true;
    case json::value_t::number_unsigned: {
      auto u = v.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(INT64_MAX)) return false;
      out = static_cast<std::int64_t>(u);
      return true;
    }
    case json::value_t::number_float: {
      // An integral value written with a fraction or exponent (7.0, 1e3) is still an Int.
      double d = v.get<double>();
      if (!std::isfinite(d) || std::trunc(d) != d) return false;
      if (d < -9223372036854775808.0 || d >= 9223372036854775808.0) return false;
      out = static_cast<std::int64_t>(d);
      return true;
    }
    default:
      return false;
  }
}

bool read(const json& v, double& out) {
  if (!v.is_number()) return false;
  out = v.get<double>();
  return true;
}

bool read(const json& v, bool& out) {
  if (!v.is_boolean()) return false;
  out = v.get<bool>();
  return true;
}

bool read(const json& v, std::string& out) {
  if (!v.is_string()) return false;
  out = v.get_ref<const std::string&>();
  return true;
}

bool read(const json& v, SwallowRule& out);
bool read(const json& v, HotkeyAsk& out);

template <typename T>
bool read(const json& v, std::vector<T>& out) {
  if (!v.is_array()) return false;
  out.clear();
  out.reserve(v.size());
  for (const auto& element : v) {
    T item{};
    if (!read(element, item)) return false;
    out.push_back(std::move(item));
  }
  return true;
}

// Reads `key` of `object` into `field` when present and not null; false on a type mismatch.
template <typename T>
bool field(const json& object, const char* key, std::optional<T>& out) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return true;
  T value{};
  if (!read(*it, value)) return false;
  out = std::move(value);
  return true;
}

// Reads a field that must be present (and not null).
template <typename T>
bool required(const json& object, const char* key, T& out) {
  std::optional<T> value;
  if (!field(object, key, value) || !value) return false;
  out = std::move(*value);
  return true;
}

bool read(const json& v, SwallowRule& out) {
  return v.is_object() && required(v, "key", out.key) && required(v, "when", out.when);
}

bool read(const json& v, HotkeyAsk& out) {
  return v.is_object() && required(v, "key", out.key) && required(v, "mods", out.mods);
}

}  // namespace

std::optional<Command> decodeCommand(std::string_view line) {
  json j = json::parse(line, nullptr, /*allow_exceptions=*/false);
  if (!j.is_object()) return std::nullopt;
  Command c;
  const bool ok =
      field(j, "id", c.id) && required(j, "cmd", c.cmd) && field(j, "pid", c.pid) &&
      field(j, "copy", c.copy) && field(j, "maxChars", c.maxChars) && field(j, "watch", c.watch) &&
      field(j, "swallow", c.swallow) && field(j, "armed", c.armed) && field(j, "level", c.level) &&
      field(j, "image", c.image) && field(j, "ocr", c.ocr) && field(j, "request", c.request) &&
      field(j, "maxSize", c.maxSize) && field(j, "location", c.location) &&
      field(j, "length", c.length) && field(j, "count", c.count) &&
      field(j, "typingAfterMs", c.typingAfterMs) && field(j, "typingGapMs", c.typingGapMs) &&
      field(j, "typingMarks", c.typingMarks) && field(j, "typingStats", c.typingStats) &&
      field(j, "captureAfterMs", c.captureAfterMs) && field(j, "path", c.path) &&
      field(j, "out", c.out) && field(j, "on", c.on) && field(j, "rect", c.rect) &&
      field(j, "around", c.around) && field(j, "text", c.text) && field(j, "all", c.all) &&
      field(j, "hotkeys", c.hotkeys) && field(j, "menuChars", c.menuChars) &&
      field(j, "menuKeys", c.menuKeys) && field(j, "print", c.print);
  if (!ok) return std::nullopt;
  return c;
}

}  // namespace parlevox
