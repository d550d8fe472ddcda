// The commands that tell where the focused field is: "focusedField" and "focusedFrame".
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>

#include "helper/platform/accessibility.h"
#include "helper/platform/workspace.h"

namespace parlevox {

struct Command;
struct Helper;

/// How one of the two commands finds and judges the element.
struct FieldQuery {
  bool trusted = false;
  std::optional<std::int32_t> pid;  // the focused element of this process, else the frontmost's
  bool textOnly = true;             // only the roles that take typed text, and a field's size
  bool print = false;               // add the field's fingerprint
};

/// {"ok": true, "x", "y", "w", "h", "caretX"?, "caretY"?, "caretH"?, "win"?, "print"?}, with
/// "pid", "bundle" and "name" for a text-only query; a plain {"ok": false} for every reason the
/// element cannot be given: no accessibility, no element, a secure one, another role, no frame,
/// a frame too small (a text field is wider than 20 and higher than 10 points, any element
/// wider and higher than 0).
nlohmann::json focusedFieldReply(platform::Accessibility& ax, platform::Workspace* workspace,
                                 const FieldQuery& query);

/// Text fields only; in the background.
void runFocusedField(Helper& h, const Command& c);
/// Any element, of the process `pid` when given; in the background.
void runFocusedFrame(Helper& h, const Command& c);

}  // namespace parlevox
