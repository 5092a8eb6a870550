#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)

bool AllocationsCounted() {
    return false;
}

std::uint64_t AllocationCount() {
    return 0;
}

#else

namespace {

std::atomic<std::uint64_t> allocations{0};

void* CountedAllocation(const std::size_t size) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size != 0 ? size : 1);
}

void* CountedAllocationOrThrow(const std::size_t size) {
    if (void* memory = CountedAllocation(size)) {
        return memory;
    }
    throw std::bad_alloc();
}

} // namespace

bool AllocationsCounted() {
    return true;
}

std::uint64_t AllocationCount() {
    return allocations.load();
}

// Every form that allocates or frees through malloc is replaced together, so that no
// library frees with one family what it allocated with the other.
void* operator new(const std::size_t size) {
    return CountedAllocationOrThrow(size);
}

void* operator new[](const std::size_t size) {
    return CountedAllocationOrThrow(size);
}

void* operator new(const std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
    return CountedAllocation(size);
}

void* operator new[](const std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
    return CountedAllocation(size);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t /*size*/) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t /*size*/) noexcept {
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t& /*tag*/) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t& /*tag*/) noexcept {
    std::free(memory);
}

#endif
