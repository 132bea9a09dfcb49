#include "bench/AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> allocations{0};
std::atomic<std::int64_t> liveBytes{0};
// Each allocation carries its size in front, so that the release can subtract it.
constexpr std::size_t kHeader = alignof(std::max_align_t);

// Every form of new and delete that the program may use goes through these two; a sanitizer's
// own forms would otherwise take the ones not replaced here.
void* CountedAllocate(std::size_t size) noexcept {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) {
        return nullptr;
    }
    *reinterpret_cast<std::size_t*>(block) = size;
    allocations.fetch_add(1, std::memory_order_relaxed);
    liveBytes.fetch_add(static_cast<std::int64_t>(size), std::memory_order_relaxed);
    return block + kHeader;
}

void CountedRelease(void* pointer) noexcept {
    if (pointer == nullptr) {
        return;
    }
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    liveBytes.fetch_sub(static_cast<std::int64_t>(*reinterpret_cast<std::size_t*>(block)),
                        std::memory_order_relaxed);
    std::free(block);
}

void* CheckedAllocate(std::size_t size) {
    void* pointer = CountedAllocate(size);
    if (pointer == nullptr) {
        throw std::bad_alloc();
    }
    return pointer;
}

} // namespace

HeapFigures CurrentHeapFigures() {
    return {allocations.load(std::memory_order_relaxed), liveBytes.load(std::memory_order_relaxed)};
}

void* operator new(std::size_t size) {
    return CheckedAllocate(size);
}
void* operator new[](std::size_t size) {
    return CheckedAllocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocate(size);
}
void operator delete(void* pointer) noexcept {
    CountedRelease(pointer);
}
void operator delete[](void* pointer) noexcept {
    CountedRelease(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    CountedRelease(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    CountedRelease(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    CountedRelease(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    CountedRelease(pointer);
}
