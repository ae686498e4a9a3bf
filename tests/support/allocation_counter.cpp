// Replaces the global allocation functions of the test program so that
// tests can prove that a piece of code allocates nothing.
#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local int allocations = 0;
}  // namespace

AllocationCounter::AllocationCounter() {
    allocations = 0;
    counting = true;
}
AllocationCounter::~AllocationCounter() { counting = false; }
int AllocationCounter::count() const { return allocations; }

void* operator new(std::size_t size) {
    if (counting) allocations++;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting) allocations++;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
