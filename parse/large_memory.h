#pragma once

#include <cstddef>

namespace zelkam {

// Storage for arrays of many megabytes (a heavy day's event list). Where the
// system offers it, the storage is backed by huge pages: the list is filled
// once from start to end, and taking its memory 2 MiB at a time instead of
// 4 KiB costs a few hundred page faults for a heavy day instead of tens of
// thousands, which is most of the first load of a process. Pages never
// touched are never backed, as with any allocation. When the system refuses
// the memory, std::bad_alloc is thrown, as operator new throws it.
inline constexpr std::size_t LargeAllocationBytes = std::size_t{4} << 20;

// bytes should be a megabyte or more (the storage is whole huge pages,
// see large_vector.h); the storage is aligned for any type.
void* allocateLarge(std::size_t bytes);
// The same, reading as zeros: on systems that map fresh memory, without
// writing it, so that only what is used is ever backed.
void* allocateLargeZeroed(std::size_t bytes);
// Gives back storage of allocateLarge or allocateLargeZeroed, with the same
// byte count.
void freeLarge(void* storage, std::size_t bytes);
// Lets the system take back the memory behind storage of allocateLarge
// while the storage stays the caller's: it reads as zeros afterwards and is
// backed again page by page as it is written. Where the system cannot do
// that, the memory simply stays.
void discardLarge(void* storage, std::size_t bytes);

// Has the system back storage of allocateLarge (bytes of it from storage)
// now, without changing what it holds: called on a thread with nothing
// else to do, it takes the page faults a writer on another thread would
// otherwise wait for. Does nothing where the system cannot.
void backLarge(void* storage, std::size_t bytes);

// Blocks of exactly LargeAllocationBytes for stores that fill many of them
// and drop them all at once (the texts of a window read). A block given back
// is kept for the next taker, on any thread, so a process that reads one
// day after another writes into memory already backed rather than taking
// fresh pages for every read; at most SpareLargeBlocks are kept.
inline constexpr std::size_t SpareLargeBlocks = 32;
void* takeLargeBlock();
void giveBackLargeBlock(void* block);

} // namespace zelkam
