// Commands over the keyboard layouts: the input languages, the key labels and select-all.
#include "helper/app/layout_commands.h"

#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/layouts.h"
#include "helper/output/post_key.h"
#include "helper/platform/key_codes.h"

namespace parlevox {

void runInputLanguages(Helper& h, const Command& c) {
  respond(c.id, {{"ok", true}, {"languages", inputLanguages(h.platform.inputSources)}});
}

void runKeyLabels(Helper& h, const Command& c) {
  auto* sources = h.platform.inputSources;
  nlohmann::json layouts = nlohmann::json::array();
  if (sources)
    for (const auto& source :
         sources->enabledKeyboardLayouts().value_or(std::vector<platform::InputSource>{}))
      layouts.push_back({{"name", sources->localizedName(source).value_or("")},
                         {"labels", layoutLabels(sources, source)}});
  std::optional<platform::InputSource> ascii;
  if (sources) ascii = sources->currentAsciiCapableKeyboardLayout();
  respond(c.id, {{"ok", true}, {"ascii", layoutLabels(sources, ascii)}, {"layouts", layouts}});
}

void runSelectAll(Helper& h, const Command& c) {
  auto code = lookupVirtualKey(h.platform.inputSources, "a");
  if (!code) {
    respond(c.id, {{"ok", false}, {"error", "no_a_key"}});
    return;
  }
  respond(c.id, {{"ok", postKey(*h.platform.events, *code, platform::kCommandFlag,
                                platform::TapLocation::session, 8000)}});
}

}  // namespace parlevox
