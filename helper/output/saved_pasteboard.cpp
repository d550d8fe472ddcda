// A complete copy of the general pasteboard, taken before the helper uses it and put back after.
#include "helper/output/saved_pasteboard.h"

#include <algorithm>
#include <utility>

namespace parlevox {

SavedPasteboard savePasteboard(platform::Pasteboard& pasteboard) {
  SavedPasteboard saved;
  auto items = pasteboard.pasteboardItems();
  if (!items) return saved;
  saved.items.reserve(items->size());
  for (const auto& item : *items) {
    platform::PasteboardItemData data;
    for (const auto& type : item.types) {
      auto bytes = pasteboard.dataForType(item, type);
      if (!bytes) continue;
      auto same =
          std::find_if(data.begin(), data.end(), [&](const auto& d) { return d.type == type; });
      if (same != data.end())
        same->bytes = std::move(*bytes);
      else
        data.push_back({type, std::move(*bytes)});
    }
    saved.items.push_back(std::move(data));
  }
  return saved;
}

void restorePasteboard(platform::Pasteboard& pasteboard, SavedPasteboard saved) {
  pasteboard.clearContents();
  std::erase_if(saved.items, [](const auto& item) { return item.empty(); });
  if (!saved.items.empty()) pasteboard.writeObjects(std::move(saved.items));
}

}  // namespace parlevox
