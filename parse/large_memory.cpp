#include "parse/large_memory.h"

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zelkam {

#if defined(__linux__)

namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

} // namespace

void* allocateLarge(std::size_t bytes)
{
    // Mapped on its own, one huge page more than needed, then cut to start
    // at a huge page boundary: only aligned 2 MiB runs can be huge pages.
    const std::size_t size = roundUp(bytes, HugePage);
    void* mapped = ::mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    char* start = static_cast<char*>(mapped);
    char* aligned = reinterpret_cast<char*>(roundUp(reinterpret_cast<std::size_t>(start), HugePage));
    if (aligned > start)
        ::munmap(start, static_cast<std::size_t>(aligned - start));
    if (const std::size_t after = static_cast<std::size_t>(start + size + HugePage - (aligned + size)); after > 0)
        ::munmap(aligned + size, after);
    // Only a request: without huge pages the mapping works as any other.
    ::madvise(aligned, size, MADV_HUGEPAGE);
    return aligned;
}

void* allocateLargeZeroed(std::size_t bytes)
{
    // A fresh anonymous mapping reads as zeros.
    return allocateLarge(bytes);
}

void freeLarge(void* storage, std::size_t bytes)
{
    if (storage)
        ::munmap(storage, roundUp(bytes, HugePage));
}

void discardLarge(void* storage, std::size_t bytes)
{
    if (storage)
        ::madvise(storage, roundUp(bytes, HugePage), MADV_DONTNEED);
}

void backLarge(void* storage, std::size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    if (storage)
        ::madvise(storage, roundUp(bytes, HugePage), MADV_POPULATE_WRITE);
#else
    (void)storage;
    (void)bytes;
#endif
}

#else

void* allocateLarge(std::size_t bytes)
{
    return ::operator new(bytes);
}

void* allocateLargeZeroed(std::size_t bytes)
{
    void* storage = ::operator new(bytes);
    std::memset(storage, 0, bytes);
    return storage;
}

void freeLarge(void* storage, std::size_t)
{
    ::operator delete(storage);
}

void discardLarge(void*, std::size_t) {}

void backLarge(void*, std::size_t) {}

#endif

namespace {

struct SpareBlocks {
    std::mutex mutex;
    std::vector<void*> blocks;
};

SpareBlocks& spareBlocks()
{
    // Never destroyed: arenas of other static objects may give blocks back
    // while the process ends.
    static SpareBlocks* spares = new SpareBlocks;
    return *spares;
}

} // namespace

void* takeLargeBlock()
{
    SpareBlocks& spares = spareBlocks();
    {
        std::lock_guard lock(spares.mutex);
        if (!spares.blocks.empty()) {
            void* block = spares.blocks.back();
            spares.blocks.pop_back();
            return block;
        }
    }
    return allocateLarge(LargeAllocationBytes);
}

void giveBackLargeBlock(void* block)
{
    if (!block)
        return;
    SpareBlocks& spares = spareBlocks();
    {
        std::lock_guard lock(spares.mutex);
        if (spares.blocks.size() < SpareLargeBlocks) {
            spares.blocks.push_back(block);
            return;
        }
    }
    freeLarge(block, LargeAllocationBytes);
}

} // namespace zelkam
