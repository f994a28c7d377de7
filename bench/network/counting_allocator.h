// Counts heap allocations per thread. The C allocator is interposed in this
// benchmark executable, so operator new and the network library's aligned
// allocations are counted alike. Threads that should not count mark
// themselves.
#pragma once

#include <cstdint>

namespace druvex_bench {

// Allocations by every thread not excluded.
uint64_t counted_allocations();
// Allocations made so far by the calling thread.
uint64_t thread_allocations();
// Leaves the calling thread out of counted_allocations().
void exclude_this_thread();

}  // namespace druvex_bench
