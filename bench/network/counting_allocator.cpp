// Per-thread allocation counting for the benchmarks: the interposed C allocator.
#include "counting_allocator.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t n, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace druvex_bench {
namespace {

std::atomic<uint64_t> g_counted{0};
thread_local uint64_t t_allocations = 0;
thread_local bool t_excluded = false;

void count() {
    ++t_allocations;
    if (!t_excluded) g_counted.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

uint64_t counted_allocations() { return g_counted.load(); }
uint64_t thread_allocations() { return t_allocations; }
void exclude_this_thread() { t_excluded = true; }

}  // namespace druvex_bench

extern "C" {

void* malloc(size_t size) {
    druvex_bench::count();
    return __libc_malloc(size);
}

void* calloc(size_t n, size_t size) {
    druvex_bench::count();
    return __libc_calloc(n, size);
}

void* realloc(void* p, size_t size) {
    druvex_bench::count();
    return __libc_realloc(p, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    druvex_bench::count();
    return __libc_memalign(alignment, size);
}

void* memalign(size_t alignment, size_t size) {
    druvex_bench::count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    druvex_bench::count();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}

}  // extern "C"
