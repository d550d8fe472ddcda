// The tap's reports: the "key" event, its most frequent line, written without a JSON tree, and
// the "down" event of a watched key.
#include "helper/keyboard/key_report.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "helper/core/app_queries.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/key_rules.h"
#include "helper/keyboard/readable_fields.h"
#include "helper/platform/workspace.h"

namespace parlevox {
namespace {

// A time stamp in the JSON library's style: the shortest text that reads back to the same value,
// in plain decimal, with ".0" on whole numbers. Times of day in milliseconds always fit
// plain decimal; anything unusual takes the library's own route.
void appendTime(std::string& out, double ts) {
  if (!std::isfinite(ts) || std::fabs(ts) >= 1e15 || (ts != 0 && std::fabs(ts) < 1e-3)) {
    out += nlohmann::json(ts).dump();
    return;
  }
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, ts, std::chars_format::fixed);
  if (error != std::errc()) {
    out += nlohmann::json(ts).dump();
    return;
  }
  out.append(buffer, end);
  if (std::string_view(buffer, end - buffer).find('.') == std::string_view::npos) out += ".0";
}

}  // namespace

std::string keyEventLine(std::int64_t code, bool down, bool swallowed, double ts,
                         std::optional<std::string_view> name) {
  std::string line;
  line.reserve(96);
  line += "{\"code\":";
  char number[24];
  auto end = std::to_chars(number, number + sizeof number, code).ptr;
  line.append(number, end);
  line += down ? ",\"down\":true" : ",\"down\":false";
  if (name) {
    // Key names are plain ASCII words: nothing to escape.
    line += ",\"key\":\"";
    line += *name;
    line += '"';
  }
  line += swallowed ? ",\"swallowed\":true" : ",\"swallowed\":false";
  line += ",\"t\":\"key\",\"ts\":";
  appendTime(line, ts);
  line += '}';
  return line;
}

void emitKeyEvent(std::int64_t code, bool down, bool swallowed, double ts,
                  std::optional<std::string_view> name) {
  emitSerialised(keyEventLine(code, down, swallowed, ts, name));
}

}  // namespace parlevox

namespace parlevox {

void reportWatchedDown(Helper& h, const std::string& name) {
  auto app = h.platform.workspace->frontmostApplication();
  makeFieldsReadable(h, app);
  emit({{"t", "down"},
        {"key", name},
        {"ts", h.now()},
        {"app", appRecord(app)},
        {"pressed", pressedKeyNames(h.state.keyboard, *h.platform.events)}});
}

}  // namespace parlevox
