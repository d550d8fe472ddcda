// The real X11 desktop: every platform service over the X server and the accessibility bus,
// with inert stand-ins where this desktop offers nothing yet.
#include "helper/platform/x11/x11_desktop.h"

#include <glib.h>

namespace parlevox::x11 {
namespace {

// The libraries below (GLib, libatspi) write warnings to stderr, which the helper keeps silent;
// a failed call reaches the logic as an absent value instead.
void silentLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

GLogWriterOutput silentWriter(GLogLevelFlags, const GLogField*, gsize, gpointer) {
  return G_LOG_WRITER_HANDLED;
}

}  // namespace

X11Desktop::Opened X11Desktop::open() {
  g_log_set_default_handler(silentLog, nullptr);
  g_log_set_writer_func(silentWriter, nullptr, nullptr);
  std::unique_ptr<X11Desktop> desktop(new X11Desktop);
  std::string error;
  desktop->connection = X11Connection::open(error);
  if (!desktop->connection) return error;
  X11Connection& connection = *desktop->connection;
  desktop->screens = std::make_unique<X11Screens>(connection);
  desktop->workspace = std::make_unique<X11Workspace>(connection);
  desktop->accessibility = AtspiAccessibility::connect(
      [&connection]() -> std::optional<std::int32_t> {
        const auto active = connection.activeWindow();
        return active ? connection.windowPid(*active) : std::nullopt;
      },
      [&connection] { return connection.origin(); }, error);
  if (!desktop->accessibility) return error;
  desktop->permissions = std::make_unique<X11Permissions>(true);
  desktop->windowCapture = std::make_unique<X11WindowCapture>(connection);
  desktop->events = X11EventSystem::open(nullptr);
  desktop->inputSources = XkbInputSources::open();
  desktop->pasteboard = X11Clipboard::open();
  return desktop;
}

platform::Platform X11Desktop::platform() {
  platform::EventSystem* eventSystem = &inertEvents;
  if (events) eventSystem = events.get();
  platform::InputSources* sources = &inertInputSources;
  if (inputSources) sources = inputSources.get();
  platform::Pasteboard* board = &inertPasteboard;
  if (pasteboard) board = pasteboard.get();
  return {.permissions = permissions.get(),
          .events = eventSystem,
          .workspace = workspace.get(),
          .screens = screens.get(),
          .inputSources = sources,
          .accessibility = accessibility.get(),
          .files = &files,
          .windowCapture = windowCapture.get(),
          .pasteboard = board,
          .scriptedInput = &mainLoopLink};
}

void X11Desktop::MainLoopLink::mainLoopStarting(platform::MainLoopTimer timer) {
  if (!desktop_.events) return;
  desktop_.events->attachMainLoop(
      [timer = std::move(timer)](std::function<void()> task) { timer(-1, std::move(task)); });
}

}  // namespace parlevox::x11
