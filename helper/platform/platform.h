// The bundle of platform services the helper runs against, chosen once in main.
#pragma once

#include <functional>

namespace parlevox::platform {

class Permissions;
class EventSystem;
class Workspace;
class Volume;
class AudioDecoder;
class Screens;
class InputSources;
class Accessibility;
class Files;
class WindowCapture;
class TextRecognizer;
class ImageEncoder;
class Pasteboard;
class HotKeys;
class SymbolicHotKeys;

/// Runs `task` on the main loop after `delayMs`. A negative delay runs it as soon as the loop
/// can, and only that form may be asked from another thread.
using MainLoopTimer = std::function<void(double delayMs, std::function<void()> task)>;

/// Input played on the main loop by the platform itself (the simulated desktop's timed input).
class ScriptedInput {
 public:
  virtual ~ScriptedInput() = default;
  /// Called once by start-up just before the main loop runs.
  virtual void mainLoopStarting(MainLoopTimer timer) = 0;
};

/// Non-owning pointers to the services; every pointer is set by the composition point.
struct Platform {
  Permissions* permissions = nullptr;
  EventSystem* events = nullptr;
  Workspace* workspace = nullptr;
  Volume* volume = nullptr;
  AudioDecoder* audioDecoder = nullptr;
  Screens* screens = nullptr;
  InputSources* inputSources = nullptr;
  Accessibility* accessibility = nullptr;
  Files* files = nullptr;
  WindowCapture* windowCapture = nullptr;
  TextRecognizer* textRecognizer = nullptr;
  ImageEncoder* imageEncoder = nullptr;
  Pasteboard* pasteboard = nullptr;
  HotKeys* hotKeys = nullptr;                  // may be null: no hotkey can be decided
  SymbolicHotKeys* symbolicHotKeys = nullptr;  // may be null: no system shortcut is known
  ScriptedInput* scriptedInput = nullptr;      // may be null
};

}  // namespace parlevox::platform
