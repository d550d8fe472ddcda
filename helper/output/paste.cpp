// Pasting into an application: bring it to the front, then press Command+V there.
#include "helper/output/paste.h"

#include <nlohmann/json.hpp>

#include "helper/core/app_queries.h"
#include "helper/core/helper.h"
#include "helper/keyboard/layouts.h"
#include "helper/output/activation.h"
#include "helper/output/post_key.h"
#include "helper/platform/key_codes.h"
#include "helper/platform/permissions.h"

namespace parlevox {
namespace {

nlohmann::json failure(const char* error) {
  return {{"ok", false}, {"error", error}};
}

void pressCommandV(Helper& h, const std::function<void(nlohmann::json)>& reply) {
  auto code = lookupVirtualKey(h.platform.inputSources, "v");
  if (!code) return reply(failure("no_v_key"));
  if (!postKey(*h.platform.events, *code, platform::kCommandFlag, platform::TapLocation::session,
               8000))
    return reply(failure("event_failed"));
  reply({{"ok", true}, {"app", frontmostAppInfo(h)}});
}

}  // namespace

void paste(Helper& h, std::optional<std::int64_t> pid, std::function<void(nlohmann::json)> reply) {
  if (!h.platform.permissions->accessibilityTrusted()) return reply(failure("no_accessibility"));
  if (!pid || *pid <= 0) return pressCommandV(h, reply);
  // A pid past the 32-bit range names no process; it must not be cut down to one that does.
  if (*pid > INT32_MAX) return reply(failure("activate_failed"));
  activate(*h.platform.workspace, h.loop, static_cast<std::int32_t>(*pid),
           [&h, reply = std::move(reply)](bool frontmost) {
             if (!frontmost) return reply(failure("activate_failed"));
             pressCommandV(h, reply);
           });
}

}  // namespace parlevox
