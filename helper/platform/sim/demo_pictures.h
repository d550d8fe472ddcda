// The demo desktop's window pictures, compiled into the helper.
#pragma once

#include "helper/platform/sim/sim_window_capture.h"

namespace parlevox::sim {

/// The pictures the demo scenario names, by file name; rendered from their layouts at build time.
PictureSource demoPictures();

}  // namespace parlevox::sim
