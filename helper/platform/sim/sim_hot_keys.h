// Simulated hot keys: combinations other programs hold, registrations that fail, and the
// system's own shortcut list, with every registration and release recorded.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

#include "helper/platform/hot_keys.h"
#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/symbolic_hot_keys.h"

namespace parlevox::sim {

class SimHotKeys final : public platform::HotKeys, public platform::SymbolicHotKeys {
 public:
  explicit SimHotKeys(Recorder& recorder) : recorder_(recorder) {}
  /// Reads the scenario's "hotKeys"; without it nothing is held and no system shortcut exists.
  void load(const ScenarioReader& scenario);

  /// Held by another program (or by this one): kHotKeyExistsErr; a failure of the scenario: its
  /// status; else registered. Recorded as "registerHotKey".
  platform::HotKeyRegistration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                              platform::HotKeyId id,
                                              std::uint32_t options) override;
  /// Recorded as "unregisterHotKey"; an unknown reference fails.
  platform::HotKeyStatus unregisterHotKey(platform::HotKeyRef ref) override;
  platform::SymbolicHotKeysRead copySymbolicHotKeys() override;

  /// How many hot keys this process has registered and not given back.
  std::size_t registeredCount() const;

 private:
  using Combination = std::pair<std::uint32_t, std::uint32_t>;  // key code, modifiers

  Recorder& recorder_;
  mutable std::mutex lock_;
  std::map<Combination, platform::HotKeyStatus> refused_;  // held elsewhere, or failing
  std::map<platform::HotKeyRef, Combination> registered_;
  platform::HotKeyRef nextRef_ = 1;
  platform::SymbolicHotKeysRead symbolic_;
};

}  // namespace parlevox::sim
