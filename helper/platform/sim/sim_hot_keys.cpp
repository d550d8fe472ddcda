// Simulated hot keys: combinations other programs hold, registrations that fail, and the
// system's own shortcut list, with every registration and release recorded.
#include "helper/platform/sim/sim_hot_keys.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace parlevox::sim {
namespace {

using nlohmann::json;

// A shortcut property as the system would keep it; arrays, objects and null are of no kind the
// reader knows.
platform::HotKeyProperty propertyOf(const json& value) {
  if (value.is_boolean()) return value.get<bool>();
  if (value.is_number()) return value.get<double>();
  if (value.is_string()) return value.get<std::string>();
  return std::monostate{};
}

std::string signatureText(std::uint32_t signature) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8)
    text += static_cast<char>((signature >> shift) & 0xFF);
  return text;
}

}  // namespace

void SimHotKeys::load(const ScenarioReader& scenario) {
  auto hotKeys = scenario.object("hotKeys");
  hotKeys.onlyKeys({"held", "failing", "symbolic", "symbolicStatus"});
  auto combinations = [&](const char* key, bool withStatus) {
    const auto& list = hotKeys.array(key);
    for (std::size_t i = 0; i < list.size(); ++i) {
      auto entry = hotKeys.element(key, i);
      if (withStatus)
        entry.onlyKeys({"code", "mods", "status"});
      else
        entry.onlyKeys({"code", "mods"});
      entry.require("code");
      const auto code = static_cast<std::uint32_t>(entry.integer("code", 0, 0, 127));
      const auto mods = static_cast<std::uint32_t>(entry.integer("mods", 0, 0, 0xFFFF));
      platform::HotKeyStatus status = platform::kHotKeyExistsErr;
      if (withStatus) {
        entry.require("status");
        status =
            static_cast<platform::HotKeyStatus>(entry.integer("status", 0, INT32_MIN, INT32_MAX));
        if (status == 0) entry.fail("status", "a non-zero status");
      }
      refused_[{code, mods}] = status;
    }
  };
  combinations("held", false);
  combinations("failing", true);
  symbolic_.status =
      static_cast<std::int32_t>(hotKeys.integer("symbolicStatus", 0, INT32_MIN, INT32_MAX));
  if (!hotKeys.has("symbolic")) {
    symbolic_.entries.emplace();
    return;
  }
  const auto& symbolic = hotKeys.json().at("symbolic");
  if (!symbolic.is_array()) return;  // a result that is no list
  auto& entries = symbolic_.entries.emplace();
  for (const auto& item : symbolic) {
    if (!item.is_object()) {
      entries.emplace_back();  // an element that is no dictionary
      continue;
    }
    platform::HotKeyDictionary dictionary;
    for (const auto& [name, value] : item.items()) {
      // The short names of the scenario stand for the system's keys.
      const std::string key = name == "enabled"     ? "kHISymbolicHotKeyEnabled"
                              : name == "code"      ? "kHISymbolicHotKeyCode"
                              : name == "modifiers" ? "kHISymbolicHotKeyModifiers"
                                                    : name;
      dictionary[key] = propertyOf(value);
    }
    entries.push_back(std::move(dictionary));
  }
}

platform::HotKeyRegistration SimHotKeys::registerHotKey(std::uint32_t keyCode,
                                                        std::uint32_t modifiers,
                                                        platform::HotKeyId id,
                                                        std::uint32_t options) {
  std::lock_guard hold(lock_);
  const Combination combination{keyCode, modifiers};
  platform::HotKeyRegistration result;
  if (const auto it = refused_.find(combination); it != refused_.end()) {
    result.status = it->second;
  } else if (std::any_of(registered_.begin(), registered_.end(),
                         [&](const auto& entry) { return entry.second == combination; })) {
    result.status = platform::kHotKeyExistsErr;
  } else {
    result.ref = nextRef_++;
    registered_[*result.ref] = combination;
  }
  recorder_.record({{"do", "registerHotKey"},
                    {"code", keyCode},
                    {"mods", modifiers},
                    {"signature", signatureText(id.signature)},
                    {"id", id.id},
                    {"exclusive", (options & platform::kHotKeyExclusive) != 0},
                    {"status", result.status}});
  return result;
}

platform::HotKeyStatus SimHotKeys::unregisterHotKey(platform::HotKeyRef ref) {
  std::lock_guard hold(lock_);
  const auto it = registered_.find(ref);
  if (it == registered_.end()) {
    recorder_.record({{"do", "unregisterHotKey"}, {"ok", false}});
    return -50;  // paramErr
  }
  recorder_.record({{"do", "unregisterHotKey"},
                    {"code", it->second.first},
                    {"mods", it->second.second},
                    {"ok", true}});
  registered_.erase(it);
  return 0;
}

platform::SymbolicHotKeysRead SimHotKeys::copySymbolicHotKeys() {
  std::lock_guard hold(lock_);
  if (symbolic_.status != 0) return {symbolic_.status, std::nullopt};
  return symbolic_;
}

std::size_t SimHotKeys::registeredCount() const {
  std::lock_guard hold(lock_);
  return registered_.size();
}

}  // namespace parlevox::sim
