// Simulated general pasteboard: ordered items of typed bytes with a change count; every clear and
// write is recorded with who did it.
#pragma once

#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <vector>

#include "helper/platform/pasteboard.h"
#include "helper/platform/sim/pasteboard_scenario.h"
#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"

namespace parlevox::sim {

class SimPasteboard final : public platform::Pasteboard {
 public:
  explicit SimPasteboard(Recorder& recorder) : recorder_(recorder) {}
  /// Reads the scenario's "pasteboard": its items and change count.
  void load(const ScenarioReader& scenario);

  std::int64_t changeCount() override;
  std::optional<std::vector<platform::PasteboardItem>> pasteboardItems() override;
  std::optional<std::string> dataForType(const platform::PasteboardItem& item,
                                         std::string_view type) override;
  std::optional<std::string> string() override;
  std::int64_t clearContents() override;
  bool writeObjects(std::vector<platform::PasteboardItemData> items) override;

  /// An application's copy: it clears the pasteboard and writes the items.
  void copyBy(std::int32_t pid, std::vector<platform::PasteboardItemData> items);
  /// The items now held, in order.
  std::vector<SimPasteboardItem> contents() const;
  /// The recorded form of what the pasteboard holds now.
  nlohmann::json describe() const;

 private:
  std::int64_t clear(const nlohmann::json& by);
  void write(const nlohmann::json& by, std::vector<platform::PasteboardItemData> items);

  Recorder& recorder_;
  mutable std::mutex lock_;
  std::vector<SimPasteboardItem> items_;
  std::int64_t changeCount_ = 0;
};

/// The recorded form of items: per item, per type its "type", "size", "crc32" (eight lower-case
/// hexadecimal digits) and, for up to 256 bytes of valid UTF-8, the "text".
nlohmann::json describePasteboardItems(const std::vector<SimPasteboardItem>& items);

}  // namespace parlevox::sim
