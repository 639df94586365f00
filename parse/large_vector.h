#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "parse/large_memory.h"

namespace zelkam {

// An allocator for vectors that a walk fills once, from start to end, and
// that a stranger can make megabytes long (the rankings of a day of 80,000
// maps or weapons, their tables): from LargeVectorBytes up the storage is
// allocateLarge's, so filling it takes a page fault for each 2 MiB rather
// than each 4 KiB, which on a virtual machine costs more than writing the
// memory. Smaller storage is the standard allocator's.
inline constexpr std::size_t LargeVectorBytes = std::size_t{1} << 18;

template <typename T>
struct LargeAllocator {
    using value_type = T;

    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        if (n * sizeof(T) >= LargeVectorBytes)
            return static_cast<T*>(allocateLarge(n * sizeof(T)));
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* storage, std::size_t n) noexcept
    {
        if (n * sizeof(T) >= LargeVectorBytes)
            freeLarge(storage, n * sizeof(T));
        else
            std::allocator<T>().deallocate(storage, n);
    }
    friend bool operator==(const LargeAllocator&, const LargeAllocator&) { return true; }
};

template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

} // namespace zelkam
