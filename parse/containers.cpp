#include "parse/containers.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zelkam {

void adviseLargeBlock(void* block, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the block can be huge, so the advice
    // covers its aligned interior; a block without one is not worth a call.
    constexpr std::uintptr_t HugePage = std::uintptr_t{1} << 21;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(HugePage - 1);
    if (bytes < 2 * HugePage || last <= first)
        return;
    // Advice that is refused changes nothing: the pages stay small.
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

} // namespace zelkam
