// Typed reads of scenario values that name the exact place of a value that does not fit.
#include "helper/platform/sim/scenario_reader.h"

#include <cmath>
#include <cstdint>

namespace parlevox::sim {
namespace {

const nlohmann::json& emptyObject() {
  static const nlohmann::json value = nlohmann::json::object();
  return value;
}

const nlohmann::json& emptyArray() {
  static const nlohmann::json value = nlohmann::json::array();
  return value;
}

}  // namespace

ScenarioReader::ScenarioReader(const nlohmann::json& object, std::string place)
    : object_(object), place_(std::move(place)) {
  if (!object_.is_object()) throw ScenarioError(place_ + " must be an object");
}

const nlohmann::json* ScenarioReader::find(const char* key) const {
  auto it = object_.find(key);
  if (it == object_.end() || it->is_null()) return nullptr;
  return &*it;
}

bool ScenarioReader::has(const char* key) const {
  return find(key) != nullptr;
}

void ScenarioReader::fail(const char* key, const std::string& expected) const {
  throw ScenarioError(place_ + "." + key + " must be " + expected);
}

void ScenarioReader::onlyKeys(std::initializer_list<const char*> keys) const {
  for (const auto& [key, value] : object_.items()) {
    bool known = false;
    for (const char* k : keys) known = known || key == k;
    if (!known) throw ScenarioError(place_ + " has an unknown key \"" + key + "\"");
  }
}

void ScenarioReader::require(const char* key) const {
  if (!has(key)) fail(key, "given");
}

bool ScenarioReader::boolean(const char* key, bool fallback) const {
  auto* v = find(key);
  if (!v) return fallback;
  if (!v->is_boolean()) fail(key, "true or false");
  return v->get<bool>();
}

double ScenarioReader::number(const char* key, double fallback) const {
  auto* v = find(key);
  if (!v) return fallback;
  // The parser already refuses numbers too large for a double, so every number is finite.
  if (!v->is_number()) fail(key, "a number");
  return v->get<double>();
}

std::int64_t ScenarioReader::integer(const char* key, std::int64_t fallback) const {
  auto* v = find(key);
  if (!v) return fallback;
  if (v->is_number_unsigned()) {
    if (v->get<std::uint64_t>() <= static_cast<std::uint64_t>(INT64_MAX))
      return static_cast<std::int64_t>(v->get<std::uint64_t>());
  } else if (v->is_number_integer()) {
    return v->get<std::int64_t>();
  }
  if (v->is_number_float()) {
    double d = v->get<double>();
    if (std::trunc(d) == d && std::fabs(d) < 9e18) return static_cast<std::int64_t>(d);
  }
  fail(key, "a whole number");
}

std::int64_t ScenarioReader::integer(const char* key, std::int64_t fallback, std::int64_t min,
                                     std::int64_t max) const {
  auto value = integer(key, fallback);
  if (has(key) && (value < min || value > max))
    fail(key, "a whole number from " + std::to_string(min) + " to " + std::to_string(max));
  return value;
}

std::string ScenarioReader::string(const char* key, std::string fallback) const {
  auto value = optionalString(key);
  return value ? *value : std::move(fallback);
}

std::optional<std::string> ScenarioReader::optionalString(const char* key) const {
  auto* v = find(key);
  if (!v) return std::nullopt;
  if (!v->is_string()) fail(key, "a string");
  return v->get<std::string>();
}

ScenarioReader ScenarioReader::object(const char* key) const {
  auto* v = find(key);
  if (!v) return ScenarioReader(emptyObject(), place_ + "." + key);
  if (!v->is_object()) fail(key, "an object");
  return ScenarioReader(*v, place_ + "." + key);
}

const nlohmann::json& ScenarioReader::array(const char* key) const {
  auto* v = find(key);
  if (!v) return emptyArray();
  if (!v->is_array()) fail(key, "an array");
  return *v;
}

ScenarioReader ScenarioReader::element(const char* key, std::size_t index) const {
  const auto& items = array(key);
  return ScenarioReader(items.at(index), place_ + "." + key + "[" + std::to_string(index) + "]");
}

}  // namespace parlevox::sim
