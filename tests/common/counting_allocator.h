// Replaces the global operator new of the test executable that includes this
// header (include it in exactly one source file) so a test can count every
// allocation the process makes between two readings.
#ifndef QUEX_TESTS_COUNTING_ALLOCATOR_H
#define QUEX_TESTS_COUNTING_ALLOCATOR_H

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

#endif // QUEX_TESTS_COUNTING_ALLOCATOR_H
