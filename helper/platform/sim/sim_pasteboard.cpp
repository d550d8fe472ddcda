// Simulated general pasteboard: ordered items of typed bytes with a change count; every clear and
// write is recorded with who did it.
#include "helper/platform/sim/sim_pasteboard.h"

#include <unicode/utf8.h>
#include <zlib.h>

#include <cstdio>

namespace parlevox::sim {
namespace {

constexpr std::size_t kTextShownUpTo = 256;

bool isUtf8(const std::string& bytes) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t i = 0; i < length;) {
    UChar32 c = 0;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string crc32Of(const std::string& bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes at most 4 GiB per call; the scenario's limit keeps each type far below.
  crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08lx", crc & 0xFFFFFFFFUL);
  return hex;
}

}  // namespace

nlohmann::json describePasteboardItems(const std::vector<SimPasteboardItem>& items) {
  auto list = nlohmann::json::array();
  for (const auto& item : items) {
    auto types = nlohmann::json::array();
    for (const auto& data : item) {
      nlohmann::json d{{"type", data.type}};
      if (data.unreadable) {
        d["unreadable"] = true;
      } else {
        d["size"] = data.bytes.size();
        d["crc32"] = crc32Of(data.bytes);
        if (data.bytes.size() <= kTextShownUpTo && isUtf8(data.bytes)) d["text"] = data.bytes;
      }
      types.push_back(std::move(d));
    }
    list.push_back(std::move(types));
  }
  return list;
}

void SimPasteboard::load(const ScenarioReader& scenario) {
  auto pasteboard = scenario.object("pasteboard");
  pasteboard.onlyKeys({"items", "changeCount"});
  changeCount_ = pasteboard.integer("changeCount", 0, 0, INT32_MAX);
  items_ = readPasteboardItems(pasteboard, "items");
}

std::int64_t SimPasteboard::changeCount() {
  std::lock_guard guard(lock_);
  return changeCount_;
}

std::optional<std::vector<platform::PasteboardItem>> SimPasteboard::pasteboardItems() {
  std::lock_guard guard(lock_);
  std::vector<platform::PasteboardItem> list;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    platform::PasteboardItem item{i, changeCount_, {}};
    for (const auto& data : items_[i]) item.types.push_back(data.type);
    list.push_back(std::move(item));
  }
  return list;
}

std::optional<std::string> SimPasteboard::dataForType(const platform::PasteboardItem& item,
                                                      std::string_view type) {
  std::lock_guard guard(lock_);
  if (item.changeCount != changeCount_ || item.index >= items_.size()) return std::nullopt;
  for (const auto& data : items_[item.index])
    if (data.type == type) {
      if (data.unreadable) return std::nullopt;
      return data.bytes;
    }
  return std::nullopt;
}

std::optional<std::string> SimPasteboard::string() {
  std::lock_guard guard(lock_);
  for (const auto& item : items_)
    for (const auto& data : item)
      if (data.type == platform::kPlainTextType && !data.unreadable) return data.bytes;
  return std::nullopt;
}

std::int64_t SimPasteboard::clear(const nlohmann::json& by) {
  std::int64_t count;
  {
    std::lock_guard guard(lock_);
    items_.clear();
    count = ++changeCount_;
  }
  recorder_.record({{"do", "pasteboardClear"}, {"by", by}, {"changeCount", count}});
  return count;
}

void SimPasteboard::write(const nlohmann::json& by,
                          std::vector<platform::PasteboardItemData> items) {
  std::vector<SimPasteboardItem> added;
  for (auto& item : items) {
    SimPasteboardItem simItem;
    for (auto& data : item) simItem.push_back({std::move(data.type), std::move(data.bytes)});
    added.push_back(std::move(simItem));
  }
  auto described = describePasteboardItems(added);
  {
    std::lock_guard guard(lock_);
    for (auto& item : added) items_.push_back(std::move(item));
  }
  recorder_.record({{"do", "pasteboardWrite"}, {"by", by}, {"items", std::move(described)}});
}

std::int64_t SimPasteboard::clearContents() {
  return clear("helper");
}

bool SimPasteboard::writeObjects(std::vector<platform::PasteboardItemData> items) {
  write("helper", std::move(items));
  return true;
}

void SimPasteboard::copyBy(std::int32_t pid, std::vector<platform::PasteboardItemData> items) {
  clear(pid);
  write(pid, std::move(items));
}

std::vector<SimPasteboardItem> SimPasteboard::contents() const {
  std::lock_guard guard(lock_);
  return items_;
}

nlohmann::json SimPasteboard::describe() const {
  std::lock_guard guard(lock_);
  return describePasteboardItems(items_);
}

}  // namespace parlevox::sim
