// A block of memory kept aside so that running out of memory ends in a message, not an abort.
#include "cli/memory_reserve.h"

#include <cstdlib>
#include <new>

namespace parlevox::cli {
namespace {

// Enough to unwind the largest document an input or answer can hold: freeing a document needs
// a stack of up to 16 bytes per value still to be freed.
constexpr std::size_t kReserveBytes = 64 * 1024 * 1024;

void* g_reserve = nullptr;

void release_reserve_and_fail() {
  std::free(g_reserve);
  g_reserve = nullptr;
  throw std::bad_alloc();
}

}  // namespace

void keep_memory_reserve() {
  std::set_new_handler(nullptr);  // while the reserve is taken, a failure is only a null
  if (g_reserve == nullptr) g_reserve = std::malloc(kReserveBytes);
  std::set_new_handler(release_reserve_and_fail);
}

}  // namespace parlevox::cli
