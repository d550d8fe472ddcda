// Asking applications built on Electron to expose their text fields to accessibility.
#include "helper/keyboard/readable_fields.h"

#include "helper/core/helper.h"
#include "helper/platform/accessibility.h"
#include "helper/platform/files.h"

namespace parlevox {

void makeFieldsReadable(Helper& h, const std::optional<platform::RunningApp>& app) {
  if (!app || !app->bundlePath || app->bundlePath->empty()) return;
  if (!h.state.keyboard.readableAsked.insert(app->pid).second) return;
  std::string framework = *app->bundlePath;
  if (framework.back() != '/') framework += '/';
  framework += "Contents/Frameworks/Electron Framework.framework";
  // The work gets values only: it must not touch the main thread's state.
  h.loop.readable([pid = app->pid, framework = std::move(framework), files = h.platform.files,
                   accessibility = h.platform.accessibility] {
    if (!files || !accessibility || !files->exists(framework)) return;
    accessibility->setApplicationAttribute(pid, 1.0, "AXManualAccessibility", true);
  });
}

}  // namespace parlevox
