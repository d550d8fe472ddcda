// The helper's request record and the decoding of one command line into it.
#include "helper/core/command.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <nlohmann/json.hpp>
#include <type_traits>

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

// Reads one present, non-null value into its field; false on a type mismatch.
using FieldReader = bool (*)(const json& value, Command& c);

template <auto Member>
bool readInto(const json& value, Command& c) {
  auto& field = c.*Member;
  typename std::remove_reference_t<decltype(field)>::value_type v{};
  if (!read(value, v)) return false;
  field = std::move(v);
  return true;
}

bool readCmd(const json& value, Command& c) {
  return read(value, c.cmd);
}

struct FieldEntry {
  std::string_view key;
  FieldReader read;
};

// Every field a line may carry, sorted by key (byte-wise) for binary search.
constexpr auto kFields = std::to_array<FieldEntry>({
    {"all", readInto<&Command::all>},
    {"armed", readInto<&Command::armed>},
    {"around", readInto<&Command::around>},
    {"captureAfterMs", readInto<&Command::captureAfterMs>},
    {"cmd", readCmd},
    {"copy", readInto<&Command::copy>},
    {"count", readInto<&Command::count>},
    {"hotkeys", readInto<&Command::hotkeys>},
    {"id", readInto<&Command::id>},
    {"image", readInto<&Command::image>},
    {"length", readInto<&Command::length>},
    {"level", readInto<&Command::level>},
    {"location", readInto<&Command::location>},
    {"maxChars", readInto<&Command::maxChars>},
    {"maxSize", readInto<&Command::maxSize>},
    {"menuChars", readInto<&Command::menuChars>},
    {"menuKeys", readInto<&Command::menuKeys>},
    {"ocr", readInto<&Command::ocr>},
    {"on", readInto<&Command::on>},
    {"out", readInto<&Command::out>},
    {"path", readInto<&Command::path>},
    {"pid", readInto<&Command::pid>},
    {"print", readInto<&Command::print>},
    {"rect", readInto<&Command::rect>},
    {"request", readInto<&Command::request>},
    {"swallow", readInto<&Command::swallow>},
    {"text", readInto<&Command::text>},
    {"typingAfterMs", readInto<&Command::typingAfterMs>},
    {"typingGapMs", readInto<&Command::typingGapMs>},
    {"typingMarks", readInto<&Command::typingMarks>},
    {"typingStats", readInto<&Command::typingStats>},
    {"watch", readInto<&Command::watch>},
});

static_assert(std::is_sorted(kFields.begin(), kFields.end(),
                             [](const FieldEntry& a, const FieldEntry& b) {
                               return a.key < b.key;
                             }));

const FieldEntry* fieldNamed(std::string_view key) {
  auto it = std::lower_bound(kFields.begin(), kFields.end(), key,
                             [](const FieldEntry& e, std::string_view k) { return e.key < k; });
  return it != kFields.end() && it->key == key ? &*it : nullptr;
}

}  // namespace

bool decodeCommandInto(std::string_view line, Command& c) {
  // The JSON library takes a NUL for the end of the text; a raw NUL is never valid JSON.
  if (line.find('\0') != std::string_view::npos) return false;
  json j = json::parse(line.begin(), line.end(), nullptr, /*allow_exceptions=*/false);
  if (!j.is_object()) return false;
  // One pass over the keys the line carries, rather than a lookup for every field there is.
  bool hasCmd = false;
  for (const auto& [key, value] : j.items()) {
    const FieldEntry* entry = fieldNamed(key);
    if (!entry || value.is_null()) continue;  // unknown keys are ignored; null means absent
    if (!entry->read(value, c)) return false;
    hasCmd |= entry->read == readCmd;
  }
  return hasCmd;
}

std::optional<Command> decodeCommand(std::string_view line) {
  Command c;
  if (!decodeCommandInto(line, c)) return std::nullopt;
  return c;
}

}  // namespace parlevox
