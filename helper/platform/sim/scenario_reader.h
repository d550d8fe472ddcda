// Typed reads of scenario values that name the exact place of a value that does not fit.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

namespace parlevox::sim {

/// Thrown while loading a scenario; the loader turns it into one message and stops the helper.
struct ScenarioError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// Reads optional keys of one scenario object, naming the object's place in error messages.
class ScenarioReader {
 public:
  ScenarioReader(const nlohmann::json& object, std::string place);

  const nlohmann::json& json() const { return object_; }
  const std::string& place() const { return place_; }
  bool has(const char* key) const;

  bool boolean(const char* key, bool fallback) const;
  double number(const char* key, double fallback) const;
  std::int64_t integer(const char* key, std::int64_t fallback) const;
  /// A whole number within [min, max].
  std::int64_t integer(const char* key, std::int64_t fallback, std::int64_t min,
                       std::int64_t max) const;
  std::string string(const char* key, std::string fallback) const;
  std::optional<std::string> optionalString(const char* key) const;
  /// The object at `key` (an empty object when absent).
  ScenarioReader object(const char* key) const;
  /// The array at `key` (an empty array when absent).
  const nlohmann::json& array(const char* key) const;
  /// A reader for element `index` of an array read with `array`, which must be an object.
  ScenarioReader element(const char* key, std::size_t index) const;

  /// Fails when the object holds a key that is not one of `keys` (a misspelt key would
  /// otherwise be ignored without a word).
  void onlyKeys(std::initializer_list<const char*> keys) const;
  /// Fails when `key` is absent.
  void require(const char* key) const;

  [[noreturn]] void fail(const char* key, const std::string& expected) const;

 private:
  const nlohmann::json* find(const char* key) const;
  const nlohmann::json& object_;
  std::string place_;
};

}  // namespace parlevox::sim
