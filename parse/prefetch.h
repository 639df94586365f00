#pragma once

namespace zelkam {

// Starts fetching the cache line at address, changing nothing: a look-up
// known a little ahead (the slot of a name some lines on) then waits for
// memory side by side with the work before it, not in turn.
inline void prefetch(const void* address)
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // GCC 12 drops __builtin_prefetch where the address depends on a
    // branch (a table that may be empty); the instruction itself stays.
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#elif defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

} // namespace zelkam
