// The bundle of platform services the helper runs against, chosen once in main.
#pragma once

namespace parlevox::platform {

class Permissions;
class EventSystem;
class Workspace;
class Volume;
class AudioDecoder;
class Screens;

/// Non-owning pointers to the services; every pointer is set by the composition point.
struct Platform {
  Permissions* permissions = nullptr;
  EventSystem* events = nullptr;
  Workspace* workspace = nullptr;
  Volume* volume = nullptr;
  AudioDecoder* audioDecoder = nullptr;
  Screens* screens = nullptr;
};

}  // namespace parlevox::platform
