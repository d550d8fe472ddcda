// A block of memory kept aside so that running out of memory ends in a message, not an abort.
#pragma once

namespace parlevox::cli {

/// Sets memory aside (address space, never touched) and installs a handler that gives it back
/// the moment an allocation fails, failing that allocation with std::bad_alloc. The work that
/// failed can then be unwound — the JSON library allocates while it frees a large document —
/// and reported. Call again after a failure to set a new reserve aside; without memory for it,
/// allocation failures are still reported, only unwinding may have less room.
void keep_memory_reserve();

}  // namespace parlevox::cli
