// A complete copy of the general pasteboard, taken before the helper uses it and put back after.
#pragma once

#include "helper/core/state.h"
#include "helper/platform/pasteboard.h"

namespace parlevox {

/// Reads every item and every type of it; a type without data is left out, and of a type the
/// item declares twice the later data is kept.
SavedPasteboard savePasteboard(platform::Pasteboard& pasteboard);

/// Clears the pasteboard, then writes the saved items in one call. An item left without any data
/// is not written (there is nothing to give back, and an empty item may make the whole write
/// fail). Best effort: what the pasteboard refuses is lost.
void restorePasteboard(platform::Pasteboard& pasteboard, SavedPasteboard saved);

}  // namespace parlevox
