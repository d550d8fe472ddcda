// The CLIPBOARD selection of an X session as the general pasteboard: reading every target its
// owner offers, owning it to serve saved targets byte for byte, and counting ownership changes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "helper/platform/pasteboard.h"

namespace parlevox::x11 {

/// Limits of the selection transfers, changeable for tests.
struct ClipboardLimits {
  /// The longest wait for one reply of a selection owner or requestor.
  double replyTimeoutMs = 1000;
  /// Values larger than this leave through the incremental protocol, in chunks of this size.
  std::size_t incrementalChunk = 256 * 1024;
  /// Values larger than this are not read (the read ends as an absent value).
  std::size_t maxValueBytes = 256u * 1024 * 1024;
};

/// One clipboard value as it travels: its property type and format besides the bytes (format 16
/// and 32 values hold 2- and 4-byte units in the machine's order, as on the wire).
struct SelectionValue {
  std::string type;
  int format = 8;
  std::string bytes;
};

class X11Clipboard final : public platform::Pasteboard {
 public:
  /// Connects to the display; nothing when it cannot be opened or lacks the XFixes extension.
  static std::unique_ptr<X11Clipboard> open(const char* display = nullptr,
                                            ClipboardLimits limits = {});
  ~X11Clipboard() override;

  std::int64_t changeCount() override;
  std::optional<std::vector<platform::PasteboardItem>> pasteboardItems() override;
  std::optional<std::string> dataForType(const platform::PasteboardItem& item,
                                         std::string_view type) override;
  std::optional<std::string> string() override;
  std::int64_t clearContents() override;
  bool writeObjects(std::vector<platform::PasteboardItemData> items) override;

  /// Reads one target of the current owner with its type and format; nothing when the owner
  /// refuses, does not answer in time or the value is too large.
  std::optional<SelectionValue> read(std::string_view target);

  struct State;

 private:
  explicit X11Clipboard(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace parlevox::x11
