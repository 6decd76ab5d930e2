// The replaced global operator new and delete of the allocation tests: every
// form of new counts once, then takes its memory from malloc.
#include "tests/allocation/counting_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> allocations{0};

void* allocate(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    auto align = static_cast<std::size_t>(alignment);
    if (align < sizeof(void*)) align = sizeof(void*);
#if defined(_WIN32)
    return _aligned_malloc(size == 0 ? 1 : size, align);
#else
    void* memory = nullptr;
    return posix_memalign(&memory, align, size == 0 ? 1 : size) == 0 ? memory : nullptr;
#endif
}

void releaseAligned(void* memory) {
#if defined(_WIN32)
    _aligned_free(memory);
#else
    std::free(memory);
#endif
}

}  // namespace

int64_t allocationsSoFar() { return allocations.load(std::memory_order_relaxed); }

void* operator new(std::size_t size) {
    if (void* memory = allocate(size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    if (void* memory = allocateAligned(size, alignment)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { releaseAligned(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { releaseAligned(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { releaseAligned(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { releaseAligned(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(memory); }
