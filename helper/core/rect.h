// A rectangle in global top-left screen points, with null and infinite values.
#pragma once

#include "helper/platform/geometry.h"

namespace parlevox {

using platform::Rect;

}  // namespace parlevox
