// The general pasteboard: an ordered list of items, each holding bytes under one or more types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parlevox::platform {

/// The type of plain text, as UTF-8 bytes.
inline constexpr std::string_view kPlainTextType = "public.utf8-plain-text";

/// Bytes stored under one type. The bytes may hold any values, NUL included.
struct PasteboardData {
  std::string type;
  std::string bytes;
  bool operator==(const PasteboardData&) const = default;
};

/// The (type, bytes) pairs of one item to write, in the order they are set.
using PasteboardItemData = std::vector<PasteboardData>;

/// An item as read from the pasteboard: its place and the types it declares. Its data can be read
/// only as long as the pasteboard has not changed since the item was listed.
struct PasteboardItem {
  std::size_t index = 0;
  std::int64_t changeCount = 0;
  std::vector<std::string> types;
};

/// The general pasteboard. Main thread only.
class Pasteboard {
 public:
  virtual ~Pasteboard() = default;
  /// A number that grows whenever the pasteboard's contents are replaced (each clear).
  virtual std::int64_t changeCount() = 0;
  /// The items now on the pasteboard, in order, with their declared types; nothing when the
  /// pasteboard cannot be read.
  virtual std::optional<std::vector<PasteboardItem>> pasteboardItems() = 0;
  /// The item's bytes for one of its types; nothing when the owner provides no data for it or
  /// the pasteboard has changed since the item was listed.
  virtual std::optional<std::string> dataForType(const PasteboardItem& item,
                                                 std::string_view type) = 0;
  /// The plain text of the first item that has some; nothing when no item has.
  virtual std::optional<std::string> string() = 0;
  /// Removes every item and takes ownership of the pasteboard; returns the new change count.
  virtual std::int64_t clearContents() = 0;
  /// Adds the items after those on the pasteboard, in order; false when the pasteboard refuses
  /// them.
  virtual bool writeObjects(std::vector<PasteboardItemData> items) = 0;
};

}  // namespace parlevox::platform
